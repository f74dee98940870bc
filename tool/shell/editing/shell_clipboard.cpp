#include "shell_clipboard.h"

#include "connections.h"
#include "project.h"
#include "settings.h"
#include "main_frame.h"
#include "open_pages.h"
#include "qt_clipboard_port.h"
#include "system_clipboard.h"
#include "system_view_page.h"

#include <QGuiApplication>

namespace kravin::shell {

ShellClipboard::ShellClipboard(MainFrame& frame, model::ProjectSession& session, model::UnitContext& unit,
                               ModelUnitSelection& selection, model::CStationUndo& undo, model::Prompt& prompt,
                               const model::UserSettings& settings, SystemCommandTable& commands)
{
    port_ = std::make_unique<editors::QtClipboardPort>();
    MainFrame* f = &frame;
    editors::SystemClipboardHooks hooks;
    hooks.setModified = [&session] { session.projectRecord.modified = 1; };
    hooks.unitChanged = [&selection] {
        if (selection.changed) selection.changed();
    };
    hooks.invalidate = [f] {
        if (ShellSystemView* view = systemViewOf(f)) view->requestRedraw(true);
    };
    hooks.rebuildDisplayData = [f] {
        if (ShellSystemView* view = systemViewOf(f)) view->RebuildDisplayData();
    };
    hooks.waitCursor = [](bool on) {
        if (on)
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QGuiApplication::restoreOverrideCursor();
    };
    // Cards side by side in slot order on the communication sheet, the station first.
    hooks.defaultPosition = [&settings](int, int card, int* x, int* y) {
        model::WiringGrid{settings.DT_DX, settings.DT_DY}.GridCellToPixel(1 + 3 * card, 2, x, y);
    };
    clipboard_ = std::make_unique<editors::SystemClipboard>(unit, undo, prompt, *port_, std::move(hooks));

    using namespace editors::syscmd;
    editors::SystemClipboard& c = *clipboard_;
    commands.add(Copy, [&c] { c.Copy(); });
    commands.add(EditCopy, [&c] { c.Copy(); });
    commands.add(Move, [&c] { c.Move(); });
    commands.add(EditCut, [&c] { c.Move(); });
    commands.add(Paste, [&c] { c.Paste(); });
    commands.add(EditPaste, [&c] { c.EditPaste(); });
    commands.add(BulkCopyV8rtu, [&c] { c.CopyStation(); });
    commands.add(BulkPasteV8rtu, [&c] { c.BulkPasteStation(); });
}

ShellClipboard::~ShellClipboard() = default;

}  // namespace kravin::shell
