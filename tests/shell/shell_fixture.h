// The running shell on a temporary profile, the shipped tables and a scripted
// prompt, offscreen.
#pragma once

#include "KRAVinA.h"
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

#include <cstring>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <utility>

namespace kravin::test {

class ShellFixture : public ::testing::Test {
protected:
    TempDir dir;
    ScriptedPrompt prompt;
    std::unique_ptr<shell::ShellApplication> app;
    std::shared_ptr<QSettings> profile;
    shell::ShellServices services;  // handed to the frame at start
    std::shared_ptr<print::PrinterChooser> printerChooser;  // null: the print dialogs
    std::string helpDir;  // empty: the Help folder beside the tables, which has no files
    bool realPrompt = false;  // the tool's own message boxes instead of the scripted prompt

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
        options.prompt = realPrompt ? nullptr : &prompt;
        options.viewHooks = hooks;
        options.services = services;
        options.printerChooser = printerChooser;
        if (!helpDir.empty()) options.folders.helpDir = helpDir;
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

    // A QV200 in slot 1 of station 0 whose unit head holds the given block codes
    // (block number, "NNKKK" code); fill() edits the unit's image before it is written.
    void writeQv200Unit(std::initializer_list<std::pair<int, const char*>> blocks,
                        const std::function<void()>& fill = {})
    {
        const int kind = app->masters().card.find("QV200");
        ASSERT_GT(kind, 0);
        app->systemTables().cardKind[0][0] = kind;
        const std::string folder = session().projectRecord.workFolder;
        char head[500] = {};
        KRAVinA_Data_Get(0, 0, head, folder.c_str());
        std::memset(head, 0, sizeof head);
        for (const auto& [block, code] : blocks) std::memcpy(head + 5 * block, code, 5);
        if (fill) fill();
        ASSERT_EQ(KRAVinA_Data_Write(0, 0, head, folder.c_str()), 0);
    }
};

}  // namespace kravin::test
