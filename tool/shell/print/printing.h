// Printing in the running tool: File > Print, the toolbar's Print and Print
// Preview, File > Bulk Print and the system view's "Print all cards", over the
// print service and the main frame's choice of the active view's settings.
#pragma once

#include "command_state.h"
#include "string_table.h"

#include <functional>
#include <optional>

namespace kravin::model {
class Prompt;
class ProjectSession;
}  // namespace kravin::model

namespace kravin::print {
class PrintService;
}

namespace kravin::shell {

class MainFrame;
class SystemCommandTable;

class Printing {
public:
    using AskScale = std::function<std::optional<PrintSettings>(int scale)>;

    // askScale: the wiring views' scale question; unset, the print scale dialog.
    Printing(print::PrintService& service, MainFrame& frame, model::ProjectSession& session, model::Prompt& prompt,
             res::Language language, AskScale askScale, SystemCommandTable& systemCommands);

    // The bulk print dialog over the hidden print view: mode 0 the whole
    // project, mode 1 every card of the current station.
    void bulkPrint(int mode);

private:
    void print(bool preview, bool fromToolbar);

    print::PrintService& service_;
    MainFrame& frame_;
    model::ProjectSession& session_;
    AskScale askScale_;
};

}  // namespace kravin::shell
