// Picks the simulator's device on the first port of the option dialog, through the
// main frame's Option command.
#pragma once

#include "command_ids.h"
#include "main_frame.h"
#include "option_dialog.h"
#include "shell_application.h"
#include "online_shell.h"

#include <QComboBox>
#include <QMetaObject>

#include <gtest/gtest.h>

#include <string>

namespace kravin::test {

inline void choosePort(shell::ShellApplication& app, const std::string& devicePath)
{
    app.onlineShell()->beforeDialog = [devicePath](QDialog& d) {
        auto* option = qobject_cast<shell::OptionDialog*>(&d);
        ASSERT_NE(option, nullptr);
        option->portCombo(0)->setCurrentText(QString::fromStdString(devicePath));
        option->deviceCombo(0)->setCurrentText(QStringLiteral("QVxxx(JOV-US)"));
        QMetaObject::invokeMethod(option, "accept", Qt::QueuedConnection);
    };
    ASSERT_TRUE(app.mainFrame()->trigger(shell::cmd::Option));
    app.onlineShell()->beforeDialog = nullptr;
}

}  // namespace kravin::test
