// What the shell needs of the project model: the application plugs in the
// model's project session, the tests a fake.
#pragma once

#include <string>
#include <vector>

namespace kravin::shell {

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
