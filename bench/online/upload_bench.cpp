// Upload of a card from qvsim at the card's baud, with the transfer's real waits, into a
// staging (the project is not written). The figure stands beside its floor: the waits the
// run must make plus the bytes on the wire at the line rate (10 bits a byte). Goal: at
// most 1.1 x the floor. The argument is the number of groups with a block: 98 is the full
// card (some minutes a run); 1 gives the figure quickly.
#include "pty_server.h"
#include "serial_link.h"
#include "upload_run.h"

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

using namespace kravin::online;
using Clock = std::chrono::steady_clock;

class SkipQuestions final : public TransferQuestions {
public:
    int communicationError(const std::string&) override { return kravin::model::AnswerSkip; }
    int itemMissing(int, int) override { return kravin::model::AnswerSkipAll; }
    int uploadVersionCheck() override { return kravin::model::AnswerSkip; }
    int compareError(const CompareDifference&) override { return kravin::model::AnswerSkip; }
    bool confirm(int, const kravin::model::MessageArgs&, bool) override { return true; }
};

// A QV200 whose groups 1..groups carry block "NNBLK" with 99 INT4 items each (six-character
// steps from item 11 on in the sequence groups 81..92).
qvsim::SimCard fullDevice(int groups)
{
    qvsim::SimCard card = qvsim::BlankCard("QV200", "0001");
    for (int g = 1; g <= groups; ++g) {
        card.bank0[g][10] = "11";
        // Groups 81..92 hold sequence steps: six characters from item 11 on.
        const bool steps = g >= 81 && g <= 92;
        for (int i = 0; i < 100; ++i)
            if (i != 10) card.bank0[g][i] = std::to_string((steps && i >= 11 ? 100000 : 1000) + i);
    }
    return card;
}

UploadModelInfo fullModel()
{
    UploadModelInfo info;
    std::array<UploadItemDef, 100> items;
    for (auto& d : items) d = {"INT4", ""};
    info.blocks["11BLK"] = items;
    info.blocks["00SYS"] = {};
    info.validCodes[0] = {"00SYS"};
    for (int g = 1; g < 100; ++g) info.validCodes[static_cast<std::size_t>(g)] = {"11BLK"};
    return info;
}

void BM_UploadCard(benchmark::State& state)
{
    const int groups = static_cast<int>(state.range(0));
    qvsim::PtyServer server({fullDevice(groups)});
    std::string error;
    if (!server.start(error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    SerialLink link;
    SkipQuestions questions;
    constexpr double kBaud = 9600.0;
    const UploadModelInfo model = fullModel();
    double seconds = 0, floor = 0;
    for (auto _ : state) {
        UploadSetup setup;
        setup.portName = server.devicePath();
        setup.baudIndex = 1;
        setup.station = 0;
        setup.card = 1;
        setup.newUnit = false;
        setup.model = "QV200   ";
        setup.version = "1.00";
        setup.blockCodes[0] = "00SYS";
        setup.describe = [&model](const std::string&, const std::string&) { return std::optional<UploadModelInfo>(model); };
        UploadRun run(&link, {}, setup, questions, TransferTiming::Real());
        const auto t0 = Clock::now();
        run.Run();
        const double s = std::chrono::duration<double>(Clock::now() - t0).count();
        if (run.context().result().outcome() != TransferOutcome::Finished) state.SkipWithError("upload failed");
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

BENCHMARK(BM_UploadCard)->Arg(1)->Arg(98)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
