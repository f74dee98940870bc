// The model's project session behind the frame's project port: tells the
// application when a project came, went or was saved.
#pragma once

#include "project.h"
#include "shell_ports.h"

#include <functional>
#include <string>

namespace kravin::shell {

// The model's project session as the shell sees it.
class SessionProject final : public ProjectPort {
public:
    explicit SessionProject(model::ProjectSession& session) : session_(session) {}
    bool isOpen() const override { return session_.g_projectOpen != 0; }
    bool isUntitled() const override { return session_.projectRecord.untitled != 0; }
    bool isModified() const override { return session_.projectRecord.modified != 0; }
    std::string displayName() const override;
    void newProject() override;
    int createUntitled() override;
    int openDialog() override;
    int loadProject(const std::string& path) override;
    int save() override { return told(session_.SaveProject()); }
    int saveAs() override { return told(session_.SaveProjectAs()); }
    int properties() override { return session_.EditProjectProperties(); }
    void cleanup() override;

    // Told after a project came or went (new, opened, closed).
    std::function<void()> changed;
    // Told after the project was saved under its path.
    std::function<void()> saved;

private:
    void tell() const
    {
        if (changed) changed();
    }
    int told(int result) const
    {
        if (result == 0 && saved) saved();
        return result;
    }
    model::ProjectSession& session_;
};

}  // namespace kravin::shell
