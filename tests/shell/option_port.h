// Picks the simulator's device on a port of the option dialog (the first unless told),
// allocated to the given device kind, through the main frame's Option command; or
// chooses the bus there.
#pragma once

#include "command_ids.h"
#include "main_frame.h"
#include "option_dialog.h"
#include "shell_application.h"
#include "online_shell.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QMetaObject>

#include <gtest/gtest.h>

#include <string>

namespace kravin::test {

inline void choosePort(shell::ShellApplication& app, const std::string& devicePath,
                       const char* device = "QVxxx(JOV-US)", int row = 0)
{
    app.onlineShell()->beforeDialog = [devicePath, device, row](QDialog& d) {
        auto* option = qobject_cast<shell::OptionDialog*>(&d);
        ASSERT_NE(option, nullptr);
        option->portCombo(row)->setCurrentText(QString::fromStdString(devicePath));
        option->deviceCombo(row)->setCurrentText(QString::fromLatin1(device));
        QMetaObject::invokeMethod(option, "accept", Qt::QueuedConnection);
    };
    ASSERT_TRUE(app.mainFrame()->trigger(shell::cmd::Option));
    app.onlineShell()->beforeDialog = nullptr;
}

// Option: the online mode becomes the bus.
inline void chooseBus(shell::ShellApplication& app)
{
    app.onlineShell()->beforeDialog = [](QDialog& d) {
        auto* option = qobject_cast<shell::OptionDialog*>(&d);
        ASSERT_NE(option, nullptr);
        option->onlineGroup()->button(1)->setChecked(true);
        QMetaObject::invokeMethod(option, "accept", Qt::QueuedConnection);
    };
    ASSERT_TRUE(app.mainFrame()->trigger(shell::cmd::Option));
    app.onlineShell()->beforeDialog = nullptr;
}

}  // namespace kravin::test
