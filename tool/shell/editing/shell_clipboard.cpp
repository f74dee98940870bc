#include "shell_clipboard.h"

#include "connections.h"
#include "project.h"
#include "settings.h"
#include "main_frame.h"
#include "open_pages.h"
#include "qt_clipboard_port.h"
#include "system_clipboard.h"
#include "system_view_hooks.h"
#include "system_view_page.h"


namespace kravin::shell {

ShellClipboard::ShellClipboard(MainFrame& frame, model::ProjectSession& session, model::UnitContext& unit,
                               ModelUnitSelection& selection, model::CStationUndo& undo, model::Prompt& prompt,
                               const model::UserSettings& settings, SystemCommandTable& commands)
{
    port_ = std::make_unique<editors::QtClipboardPort>();
    MainFrame* f = &frame;
    editors::SystemClipboardHooks hooks;
    fillSystemViewHooks(hooks, f, session, selection);
    hooks.defaultPosition = [&settings](int station, int card, int* x, int* y) {
        model::WiringGrid{settings.DT_DX, settings.DT_DY}.GridCellToPixel(station, card, x, y);
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
