// The system view's clipboard commands in the running tool.
#include "shell_application.h"

#include "connections.h"
#include "main_frame.h"
#include "palette_rules.h"

#include <QGuiApplication>

namespace kravin::shell {

void ShellApplication::createClipboard()
{
    clipboardPort_ = std::make_unique<editors::QtClipboardPort>();
    editors::SystemClipboardHooks hooks;
    hooks.setModified = [this] { setModified(); };
    hooks.unitChanged = [this] {
        if (unitSelection_->changed) unitSelection_->changed();
    };
    hooks.invalidate = [this] {
        if (ShellSystemView* view = systemView()) view->requestRedraw(true);
    };
    hooks.rebuildDisplayData = [this] {
        if (ShellSystemView* view = systemView()) view->RebuildDisplayData();
    };
    hooks.waitCursor = [](bool on) {
        if (on)
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QGuiApplication::restoreOverrideCursor();
    };
    // Cards side by side in slot order on the communication sheet, the station first.
    hooks.defaultPosition = [this](int, int card, int* x, int* y) {
        model::WiringGrid{settings_.DT_DX, settings_.DT_DY}.GridCellToPixel(1 + 3 * card, 2, x, y);
    };
    systemClipboard_ =
        std::make_unique<editors::SystemClipboard>(*unit_, *stationUndo_, *prompt_, *clipboardPort_, std::move(hooks));
    // The system palette's drop places the model with the master's own version text.
    if (!placeDevice)
        placeDevice = [this](const std::string& name, const std::string& version) {
            const bool station = unit_->g_curCard == 0;
            const model::CardKindMaster& master = station ? masters_->station : masters_->card;
            const int kind = master.find(name);
            if (kind <= 0) return false;
            const std::string text = MasterVersionText(master.versions[static_cast<std::size_t>(kind)], version);
            return systemCommands_->PlaceDevice(false, master.name[static_cast<std::size_t>(kind)], text, false) ==
                   editors::SystemCommands::Result::Done;
        };
}

std::vector<std::pair<int, std::function<void()>>> ShellApplication::clipboardCommands()
{
    using namespace editors::syscmd;
    editors::SystemClipboard& c = *systemClipboard_;
    // Each command refreshes the frame's commands after its work.
    const auto run = [this](std::function<void()> work) {
        return [this, work = std::move(work)] {
            work();
            if (frame_) frame_->refresh();
        };
    };
    return {
        {Copy, run([&c] { c.Copy(); })},
        {EditCopy, run([&c] { c.Copy(); })},
        {Move, run([&c] { c.Move(); })},
        {EditCut, run([&c] { c.Move(); })},
        {Paste, run([&c] { c.Paste(); })},
        {EditPaste, run([&c] { c.EditPaste(); })},
        {BulkCopyV8rtu, run([&c] { c.CopyStation(); })},
        {BulkPasteV8rtu, run([&c] { c.BulkPasteStation(); })},
    };
}

}  // namespace kravin::shell
