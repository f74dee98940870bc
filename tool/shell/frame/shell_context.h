// What the main frame works with, owned by the application: the project port,
// the prompt, the views' answers, the link state, the theme, the language and
// the few services the frame asks of other parts of the tool.
#pragma once

#include "command_state.h"
#include "shell_ports.h"
#include "shell_texts.h"
#include "view_manager.h"

#include <QString>

#include <atomic>
#include <functional>
#include <optional>

class QWidget;

namespace kravin::model {
class Prompt;
}

namespace kravin::shell {

class ChildFrame;
class Theme;

// Link state the online functions keep; the frame reads it for its commands.
struct OnlineFlags {
    std::atomic<bool> online{false};
    std::atomic<bool> busMode{false};
    std::atomic<bool> monitorRan{false};
    std::atomic<bool> ht9PortOpen{false};
    std::atomic<bool> regMonitorShown{false};
};

// What the frame asks of other parts of the tool; unset ones do nothing. The
// commands of the menus are in the frame's command table instead.
struct ShellServices {
    // The wiring views' print dialog (scale and fit); unset: the print commands' own.
    std::function<std::optional<PrintSettings>(int scale)> askPrintScale;
    std::function<void()> saveSettings;
    // "M Online Stop" (40605) from the monitor when its run has ended.
    std::function<void()> onlineStopped;
    // Makes the view of a kind; null or a null result gives an empty page.
    std::function<QWidget*(ViewKind)> makeView;
    // Puts the bars of a kind on its new frame (the view is in place).
    std::function<void(ViewKind, ChildFrame&)> decorateFrame;
};

// Everything the frame works with; owned by the application.
struct ShellContext {
    ProjectPort* project = nullptr;
    model::Prompt* prompt = nullptr;
    ViewHooks* viewHooks = nullptr;
    OnlineFlags* online = nullptr;
    Theme* theme = nullptr;
    UiLanguage language = UiLanguage::English;
    QString helpDir;
    ShellServices services;
};

}  // namespace kravin::shell
