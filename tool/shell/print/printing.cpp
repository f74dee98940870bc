#include "printing.h"

#include "command_ids.h"
#include "dialogs/small_dialogs.h"
#include "main_frame.h"
#include "print_service.h"
#include "project.h"
#include "system_view_page.h"

namespace kravin::shell {

Printing::Printing(print::PrintService& service, MainFrame& frame, model::ProjectSession& session,
                   model::Prompt& prompt, res::Language language, AskScale askScale,
                   SystemCommandTable& systemCommands)
    : service_(service), frame_(frame), session_(session), askScale_(std::move(askScale))
{
    if (!askScale_)
        askScale_ = [this, &prompt, language](int) -> std::optional<PrintSettings> {
            editors::PrintScaleDialog dialog(false, prompt, language, &frame_);
            if (dialog.exec() != QDialog::Accepted) return std::nullopt;
            return PrintSettings{0, dialog.scale(), dialog.fit()};
        };
    CommandTable& t = frame_.commands();
    t.add(cmd::FilePrint, [this] { print(false, false); });
    t.add(cmd::ToolPrint, [this] { print(false, true); });
    t.add(cmd::ToolPreview, [this] { print(true, true); });
    t.add(cmd::FileBulkPrint, [this] { bulkPrint(0); });
    systemCommands.add(editors::syscmd::PrintAllCards, [this] { bulkPrint(1); });
}

void Printing::print(bool preview, bool fromToolbar)
{
    const std::optional<PrintSettings> settings = frame_.choosePrintSettings(fromToolbar, askScale_);
    if (!settings) return;
    if (settings->code == print::KindAnalog || settings->code == print::KindCommTerminal)
        service_.printWiring(settings->code, settings->scale, settings->fit, preview, &frame_);
    else
        service_.printKind(settings->code, preview, &frame_);
}

void Printing::bulkPrint(int mode)
{
    if (!session_.g_projectOpen) return;
    ViewManager& views = frame_.views();
    views.openPrint();
    service_.runBulkPrint(mode, &frame_);
    views.closePrint();
    frame_.refresh();
}

}  // namespace kravin::shell
