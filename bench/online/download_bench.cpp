// Download of a card (every item of its groups) to qvsim at the card's baud, with the
// transfer's real waits. The figure stands beside its floor: the waits the run must
// make plus the bytes on the wire at the line rate (10 bits a byte). Goal: at most
// 1.1 x the floor. The argument is the number of groups: 100 is the full card (about
// 13 minutes a run); 1 gives the figure quickly.
#include "download_run.h"
#include "pty_server.h"
#include "serial_link.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

namespace {

using namespace kravin::online;
using Clock = std::chrono::steady_clock;

class NoQuestions final : public TransferQuestions {
public:
    int communicationError(const std::string&) override { return kravin::model::AnswerAbort; }
    int itemMissing(int, int) override { return kravin::model::AnswerAbort; }
    int uploadVersionCheck() override { return kravin::model::AnswerAbort; }
    int compareError(const CompareDifference&) override { return kravin::model::AnswerAbort; }
    bool confirm(int, const kravin::model::MessageArgs&, bool) override { return false; }
};

TransferUnit fullCard(int groups)
{
    TransferCard c;
    c.card = 0;
    c.model = "QV200   ";
    c.version = "1.00";
    c.unitText = std::string(8, '\0');
    c.unitId = "0001";
    for (int g = 0; g < groups; ++g) {
        TransferGroup group{g, true, {}, "01"};
        for (int i = 0; i < 100; ++i)
            if (!(g == 0 && (i == 0 || i == 1 || i == 95 || i == 97))) group.items.push_back({i, std::to_string(1000 + i)});
        c.groups.push_back(std::move(group));
    }
    TransferUnit u;
    u.cards.push_back(std::move(c));
    return u;
}

void BM_DownloadCard(benchmark::State& state)
{
    const int groups = static_cast<int>(state.range(0));
    qvsim::PtyServer server({qvsim::BlankCard("QV200", "0001")});
    std::string error;
    if (!server.start(error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    SerialLink link;
    NoQuestions questions;
    constexpr int kBaudIndex = 1;
    constexpr double kBaud = 9600.0;
    double seconds = 0, floor = 0;
    for (auto _ : state) {
        DownloadSetup setup;
        setup.portName = server.devicePath();
        setup.baudIndex = kBaudIndex;
        DownloadRun run(link, fullCard(groups), setup, questions, TransferTiming::Real());
        const auto t0 = Clock::now();
        run.Run();
        const double s = std::chrono::duration<double>(Clock::now() - t0).count();
        if (run.context().result().outcome() != TransferOutcome::Finished) state.SkipWithError("download failed");
        state.SetIterationTime(s);
        seconds += s;
        const double waits = std::chrono::duration<double>(run.context().waited()).count();
        floor += waits + static_cast<double>(run.context().bytesOnWire()) * 10.0 / kBaud;
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["ms"] = 1000.0 * seconds / n;
    state.counters["floor_ms"] = 1000.0 * floor / n;
    state.counters["x_floor"] = seconds / floor;
}

BENCHMARK(BM_DownloadCard)->Arg(1)->Arg(100)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
