#include "port_settings.h"

#include "command_ids.h"
#include "command_table.h"
#include "prompt.h"
#include "settings.h"

#include <QSettings>

namespace kravin::shell {

PortSettings::PortSettings(model::UserSettings& settings, QSettings& profile, model::Prompt& prompt,
                           CommandTable& commands)
    : settings_(settings), profile_(profile)
{
    commands.add(cmd::PortSettingDelete, [this, &prompt] {
        if (prompt.message(9307, {}, model::Buttons::OkCancel, model::Icon::Question) == model::Answer::Ok)
            deletePortSettings();
    });
}

void PortSettings::deletePortSettings()
{
    QSettings& s = profile_;
    for (std::size_t i = 0; i < settings_.portList.size(); ++i) {
        s.setValue(QStringLiteral("KRAVin/COM%1_PORT_STR").arg(i), QString());
        s.setValue(QStringLiteral("KRAVin/COM%1_PORT_NUM").arg(i), QString());
    }
    s.setValue(QStringLiteral("KRAVin/COM_PORT_NUM"), 0);
    settings_.portList.clear();
    s.sync();
}

}  // namespace kravin::shell
