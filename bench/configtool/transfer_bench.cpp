// Configuration upload and download against qvcfgsim at 57600 baud, the simulator pacing
// the line. Each figure stands beside its floor: the bytes that crossed the wire at the
// line rate (10 bits a byte). Goal: at most 1.2 x the floor.
#include "qv_com.h"
#include "qvcfg_sim.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

namespace {

using Clock = std::chrono::steady_clock;

struct Rig {
    std::unique_ptr<qvcfgsim::Server> sim;
    std::unique_ptr<qvcfg::QVCom> com;

    bool Start(benchmark::State& state)
    {
        qvcfgsim::SimSettings s;
        s.pace = true;
        sim = std::make_unique<qvcfgsim::Server>(s);
        std::string error;
        if (!sim->Start(error)) {
            state.SkipWithError(error.c_str());
            return false;
        }
        com = std::make_unique<qvcfg::QVCom>();
        com->SetPort(sim->DevicePath());
        return true;
    }
};

void Report(benchmark::State& state, const Rig& rig, std::uint64_t bytes, double seconds)
{
    const double floor = static_cast<double>(bytes) * 10.0 / qvcfg::kBaudRate;
    state.counters["wire_bytes"] = static_cast<double>(bytes) / static_cast<double>(state.iterations());
    state.counters["line_floor_ms"] = 1000.0 * floor / static_cast<double>(state.iterations());
    state.counters["ms"] = 1000.0 * seconds / static_cast<double>(state.iterations());
    state.counters["x_floor"] = seconds / floor;
    (void)rig;
}

void BM_UploadConfig(benchmark::State& state)
{
    Rig rig;
    if (!rig.Start(state)) return;
    std::uint64_t bytes = 0;
    double seconds = 0;
    for (auto _ : state) {
        const auto before = rig.sim->BytesIn() + rig.sim->BytesOut();
        qvcfg::Bytes image;
        const auto t0 = Clock::now();
        if (rig.com->UploadConfig(image) != 0 || image.size() != 2048) state.SkipWithError("upload failed");
        const double s = std::chrono::duration<double>(Clock::now() - t0).count();
        state.SetIterationTime(s);
        seconds += s;
        bytes += rig.sim->BytesIn() + rig.sim->BytesOut() - before;
    }
    Report(state, rig, bytes, seconds);
}

void BM_DownloadConfig(benchmark::State& state)
{
    Rig rig;
    if (!rig.Start(state)) return;
    const qvcfg::Bytes image = rig.sim->Config();
    std::uint64_t bytes = 0;
    double seconds = 0;
    for (auto _ : state) {
        const auto before = rig.sim->BytesIn() + rig.sim->BytesOut();
        const auto t0 = Clock::now();
        if (rig.com->DownloadConfig(image, 1, static_cast<int>(image.size())) != 0) state.SkipWithError("download failed");
        const double s = std::chrono::duration<double>(Clock::now() - t0).count();
        state.SetIterationTime(s);
        seconds += s;
        bytes += rig.sim->BytesIn() + rig.sim->BytesOut() - before;
    }
    Report(state, rig, bytes, seconds);
}

BENCHMARK(BM_UploadConfig)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DownloadConfig)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace
