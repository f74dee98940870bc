// qvcfgsim: a QV controller for QVCFG on a pseudo-terminal, for trying the tool without hardware.
#include "qvcfg_sim.h"

#include <charconv>
#include <csignal>
#include <ctime>
#include <cstdio>
#include <iostream>
#include <string>

namespace {

const char* const kUsage =
    "Usage: qvcfgsim [options]\n"
    "Plays a QV controller for QVCFG on a pseudo-terminal. Prints the device path on the\n"
    "first line of standard output; give that path to QVCFG as its port. Ends on SIGINT\n"
    "or SIGTERM.\n"
    "\n"
    "Options:\n"
    "  --model NAME          QV100, QV110, QV200 (default), QV210, QV200B, QV200C,\n"
    "                        QV200D, QV200E, QV200W or QV210W\n"
    "  --fault KIND[=N]      inject KIND on its next N occasions (default 1; N=-1: always)\n"
    "  --device-error N      report error N after each download\n"
    "  --device-code N       answer the status with device code N\n"
    "  --trend-samples N     samples in the short trend (default 400)\n"
    "  --trend-newest N      ring index of the newest sample (default 10)\n"
    "  --reply-timeout-ms N  resend an unanswered block after N ms (default 3500)\n"
    "  --slow-ms N           delay of the slow fault (default 300)\n"
    "  --no-pace             answer at once instead of at the line's rate\n"
    "  --verbose             log commands and faults on standard error\n"
    "  --help                show this text\n"
    "\n"
    "Fault kinds: nak, bad-crc, no-reply, slow, noise, bad-complement, oversize,\n"
    "wrong-number, wrong-type, no-eot, short-status.\n";

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int) { g_stop = 1; }

bool ToInt(const std::string& s, int& out)
{
    const auto r = std::from_chars(s.data(), s.data() + s.size(), out);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

int UsageError(const std::string& what)
{
    std::cerr << "qvcfgsim: " << what << "\n" << kUsage;
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    qvcfgsim::SimSettings settings;
    settings.pace = true;
    std::vector<std::pair<qvcfgsim::Fault, int>> faults;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](int& out) {
            return i + 1 < argc && ToInt(argv[++i], out);
        };
        if (arg == "--help") {
            std::cout << kUsage;
            return 0;
        } else if (arg == "--model" && i + 1 < argc) {
            settings.model = argv[++i];
            if (qvcfgsim::DeviceCodeOf(settings.model) < 0) return UsageError("unknown model " + settings.model);
        } else if (arg == "--fault" && i + 1 < argc) {
            std::string kind = argv[++i];
            int count = 1;
            if (const auto eq = kind.find('='); eq != std::string::npos) {
                if (!ToInt(kind.substr(eq + 1), count)) return UsageError("bad count in " + kind);
                kind.resize(eq);
            }
            qvcfgsim::Fault f;
            if (!qvcfgsim::ParseFault(kind, f)) return UsageError("unknown fault " + kind);
            faults.emplace_back(f, count);
        } else if (arg == "--device-error") {
            if (!value(settings.deviceError)) return UsageError("--device-error needs a number");
        } else if (arg == "--device-code") {
            if (!value(settings.deviceCode)) return UsageError("--device-code needs a number");
        } else if (arg == "--trend-samples") {
            if (!value(settings.trendSamples)) return UsageError("--trend-samples needs a number");
        } else if (arg == "--trend-newest") {
            if (!value(settings.trendNewest)) return UsageError("--trend-newest needs a number");
        } else if (arg == "--reply-timeout-ms") {
            int ms = 0;
            if (!value(ms) || ms <= 0) return UsageError("--reply-timeout-ms needs a positive number");
            settings.replyTimeout = std::chrono::milliseconds(ms);
        } else if (arg == "--slow-ms") {
            int ms = 0;
            if (!value(ms) || ms < 0) return UsageError("--slow-ms needs a number");
            settings.slowDelay = std::chrono::milliseconds(ms);
        } else if (arg == "--no-pace") {
            settings.pace = false;
        } else if (arg == "--verbose") {
            settings.verbose = true;
        } else {
            return UsageError("unknown option " + arg);
        }
    }

    qvcfgsim::Server server(settings);
    for (const auto& [f, n] : faults) server.InjectFault(f, n);
    std::string error;
    if (!server.Start(error)) {
        std::cerr << "qvcfgsim: " << error << "\n";
        return 1;
    }
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::cout << server.DevicePath() << std::endl;
    std::cerr << "qvcfgsim: " << settings.model << " on " << server.DevicePath() << "\n";
    while (!g_stop) {
        timespec ts{0, 100'000'000};
        ::nanosleep(&ts, nullptr);
    }
    server.Stop();
    return 0;
}
