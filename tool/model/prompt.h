// The one way the model talks to the user: message boxes by string id, file
// choices and the project name dialog. The shell answers with real dialogs;
// tests answer from a script.
#pragma once

#include "string_table.h"

#include <optional>
#include <string>

namespace kravin::model {

using res::MessageArg;
using res::MessageArgs;

enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Icon { None, Information, Question, Warning, Error };
enum class Answer { Ok, Cancel, Yes, No };

enum class FileMode { Open, Save };

struct FileChoice {
    FileMode mode = FileMode::Open;
    std::string filter;            // "KRAV File (*.KRA)|*.KRA||"
    std::string defaultExtension;  // "KRA"
    std::string defaultName;       // proposed file name (may be empty)
    bool overwritePrompt = false;  // ask before replacing an existing file
};

// New Project / Project Properties dialog: the values it shows and returns.
// Name and comment are CP932 bytes; location is a file system path.
struct ProjectDialogData {
    bool propertiesMode = false;
    std::string name;
    std::string comment;
    std::string location;
    std::string fileTitle;  // set when the user browsed for a file
};

class Prompt {
public:
    virtual ~Prompt() = default;

    // A string-table message with its arguments; returns the button pressed
    // (Ok for a one-button box).
    virtual Answer message(int id, const MessageArgs& args, Buttons buttons, Icon icon) = 0;

    // A free text (such as an archiver's report) in a plain box.
    virtual void text(const std::string& utf8, Icon icon) = 0;

    // A file dialog; the chosen full path, nothing when cancelled.
    virtual std::optional<std::string> chooseFile(const FileChoice& choice) = 0;

    // The New Project / Properties dialog; true for OK (data then holds the
    // values the dialog accepted), false for Cancel (data.fileTitle may still
    // carry a browsed file title).
    virtual bool projectDialog(ProjectDialogData& data) = 0;
};

}  // namespace kravin::model
