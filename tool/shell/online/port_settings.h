// Operation > Port Setting Delete: after its question the remembered serial
// ports go from the settings and the profile.
#pragma once

class QSettings;

namespace kravin::model {
class Prompt;
struct UserSettings;
}  // namespace kravin::model

namespace kravin::shell {

class CommandTable;

class PortSettings {
public:
    PortSettings(model::UserSettings& settings, QSettings& profile, model::Prompt& prompt, CommandTable& commands);

    void deletePortSettings();

private:
    model::UserSettings& settings_;
    QSettings& profile_;
};

}  // namespace kravin::shell
