// The running shell on a temporary profile, the shipped tables and a scripted
// prompt, offscreen.
#pragma once

#include "qt_app.h"
#include "scripted_prompt.h"
#include "shell_application.h"
#include "temp_dir.h"

// The services and features the tests reach through the application.
#include "block_list_logic.h"
#include "current_unit.h"
#include "info_bar.h"
#include "layer_undo_router.h"
#include "main_frame.h"
#include "monitor_port.h"
#include "online_monitor.h"
#include "online_shell.h"
#include "print_service.h"
#include "project.h"
#include "qt_prompt.h"
#include "qt_worker_question.h"
#include "sequence_views.h"
#include "station_undo.h"
#include "system_config.h"
#include "system_view_page.h"
#include "theme.h"
#include "unit_undo_host.h"

#include <QApplication>
#include <QSettings>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace kravin::test {

class ShellFixture : public ::testing::Test {
protected:
    TempDir dir;
    ScriptedPrompt prompt;
    std::unique_ptr<shell::ShellApplication> app;
    std::shared_ptr<QSettings> profile;
    shell::ShellServices services;  // handed to the frame at start
    std::shared_ptr<print::PrinterChooser> printerChooser;  // null: the print dialogs

    void start(const std::optional<std::string>& path = std::nullopt, shell::ViewHooks* hooks = nullptr)
    {
        qtApp();
        // The per-user folders the tool makes stay out of the user's profile.
        QStandardPaths::setTestModeEnabled(true);
        shell::ShellOptions options;
        // The shipped tables are the KRAVinTBL folder of the sources.
        options.folders = shell::ShellFolders::besideProgram(KRAVIN_SAMPLE_TABLES "/..");
        profile = std::make_shared<QSettings>(QString::fromStdString(dir / "profile.ini"), QSettings::IniFormat);
        options.profile = profile;
        options.prompt = &prompt;
        options.viewHooks = hooks;
        options.services = services;
        options.printerChooser = printerChooser;
        app = std::make_unique<shell::ShellApplication>(std::move(options));
        ASSERT_TRUE(shell::runStartup(*app, path));
    }

    void TearDown() override
    {
        if (app) shell::runShutdown(*app);
        app.reset();
        QCoreApplication::processEvents();
    }

    shell::MainFrame& frame() { return *app->mainFrame(); }
    model::ProjectSession& session() { return *app->session(); }
    std::string title() { return frame().windowTitle().toStdString(); }
};

}  // namespace kravin::test
