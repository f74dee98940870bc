// Start-up of KRAVin3 to its first view shown (offscreen), against a bare MDI
// window with one child as the anchor. Goal: under 300 ms.
#include "main_frame.h"
#include "shell_application.h"

#include <QApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSettings>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

QApplication& app()
{
    static int argc = 1;
    static char arg0[] = "shell_bench";
    static char* argv[] = {arg0, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication* instance = new QApplication(argc, argv);
    return *instance;
}

// Answers every box with its first button, and cancels every dialog.
class SilentPrompt final : public kravin::model::Prompt {
public:
    kravin::model::Answer message(int, const kravin::model::MessageArgs&, kravin::model::Buttons b,
                                  kravin::model::Icon) override
    {
        return b == kravin::model::Buttons::Ok || b == kravin::model::Buttons::OkCancel ? kravin::model::Answer::Ok
                                                                                       : kravin::model::Answer::No;
    }
    void text(const std::string&, kravin::model::Icon) override {}
    std::optional<std::string> chooseFile(const kravin::model::FileChoice&) override { return std::nullopt; }
    bool projectDialog(kravin::model::ProjectDialogData&) override { return false; }
};

double anchorMs()
{
    const auto t0 = Clock::now();
    QMainWindow window;
    auto* area = new QMdiArea(&window);
    window.setCentralWidget(area);
    window.resize(1025, 580);
    window.show();
    QMdiSubWindow* sub = area->addSubWindow(new QWidget);
    sub->resize(1001, 482);
    sub->show();
    QCoreApplication::processEvents();
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

void BM_StartupToFirstView(benchmark::State& state)
{
    app();
    QTemporaryDir dir;
    SilentPrompt prompt;
    double total = 0, anchor = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        kravin::shell::ShellOptions options;
        options.folders = kravin::shell::ShellFolders::besideProgram(KRAVIN_SAMPLE_TABLES "/..");
        options.profile = std::make_shared<QSettings>(dir.filePath(QStringLiteral("profile.ini")), QSettings::IniFormat);
        options.prompt = &prompt;
        kravin::shell::ShellApplication shell(std::move(options));
        if (!kravin::shell::runStartup(shell, std::nullopt)) {
            state.SkipWithError("start-up failed");
            break;
        }
        QCoreApplication::processEvents();  // the first paint of the frame and its view
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        state.SetIterationTime(ms / 1000.0);
        total += ms;

        state.PauseTiming();
        kravin::shell::runShutdown(shell);
        anchor += anchorMs();
        state.ResumeTiming();
    }
    const double n = static_cast<double>(state.iterations());
    if (n > 0) {
        state.counters["startup_ms"] = total / n;
        state.counters["anchor_ms"] = anchor / n;
        state.counters["ratio"] = anchor > 0 ? total / anchor : 0;
        state.counters["goal_ms"] = 300;
    }
}
BENCHMARK(BM_StartupToFirstView)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace
