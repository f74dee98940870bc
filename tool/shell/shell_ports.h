// What the shell needs of the project model and of the user, as small
// interfaces: the application plugs in the model's project session and the
// real prompter, the tests plug in fakes.
#pragma once

#include <string>
#include <vector>

namespace kravin::shell {

enum class Reply { Ok, Cancel, Yes, No };
enum class Choice { Ok, OkCancel, YesNoCancel };

// Message boxes by string id.
class Asker {
public:
    virtual ~Asker() = default;
    virtual Reply ask(int id, const std::vector<std::string>& args, Choice buttons) = 0;
    // The text of a string id in the current language (UTF-8).
    virtual std::string text(int id) = 0;
};

// The open project and its roads; results 0 = done, non-zero = refused or failed.
class ProjectPort {
public:
    virtual ~ProjectPort() = default;
    virtual bool isOpen() const = 0;
    virtual bool isUntitled() const = 0;
    virtual bool isModified() const = 0;
    virtual std::string displayName() const = 0;  // UTF-8, for the title

    virtual void newProject() = 0;                       // start-up: a new untitled project
    virtual int createUntitled() = 0;                    // File/New
    virtual int openDialog() = 0;                        // File/Open
    virtual int loadProject(const std::string& path) = 0;// command line
    virtual int save() = 0;
    virtual int saveAs() = 0;
    virtual int properties() = 0;
    virtual void cleanup() = 0;                          // lock released, work folder removed
};

}  // namespace kravin::shell
