// qvsim: a QV controller on a pseudo-terminal, for trying the tool without hardware.
#include "pty_server.h"

#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>

namespace {

const char* const kUsage =
    "Usage: qvsim [options]\n"
    "Answers the programming-unit commands of one or more controller cards on a\n"
    "pseudo-terminal. Prints the device path on the first line of standard output;\n"
    "give that path to the tool as a serial port. Ends on SIGINT or SIGTERM.\n"
    "\n"
    "Options:\n"
    "  --config FILE      cards and item values (format in sim/README.md);\n"
    "                     without it one QV200 card with ID 0001 at 9600 baud\n"
    "  --pu-id ID         also answer framed commands addressed to ID\n"
    "  --fault KIND       apply KIND to every reply\n"
    "  --fault-once KIND  apply KIND to the next reply (repeatable, in order)\n"
    "  --item-fault GG.II KIND  apply KIND to the item and data commands of one item\n"
    "  --blank MODEL ID   serve a blank device (groups 0..99, items made by writing)\n"
    "  --strict           refuse writes to groups 1 and up while write mode is \"0\"\n"
    "  --state FILE       load the cards from FILE when it exists; save them there at exit\n"
    "  --slow-ms N        delay of the slow fault (default 300)\n"
    "  --verbose          log each command and reply on standard error\n"
    "  --help             show this text\n"
    "\n"
    "Fault kinds: none, no-reply, cng, bad-checksum, wrong-address, split, noise,\n"
    "slow, wrong-baud.\n";

std::string visible(const std::string& bytes)
{
    std::string out;
    for (unsigned char c : bytes) {
        if (c == 0x02) out += "<STX>";
        else if (c == 0x0D) out += "<CR>";
        else if (c < 0x20 || c >= 0x7f) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "<%02X>", c);
            out += hex;
        } else out.push_back(static_cast<char>(c));
    }
    return out;
}

int usageError(const std::string& what)
{
    std::cerr << "qvsim: " << what << "\n" << kUsage;
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<qvsim::SimCard> cards;
    std::vector<std::string> puIds;
    std::vector<qvsim::Fault> once;
    qvsim::Fault standing = qvsim::Fault::None;
    qvsim::FaultSettings settings;
    bool verbose = false;
    bool strict = false;
    std::string statePath;
    int faultGroup = -1, faultItem = -1;
    qvsim::Fault itemFault = qvsim::Fault::None;

    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        std::string v;
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        } else if (arg == "--verbose") {
            verbose = true;
        } else if (arg == "--config") {
            if (!value(v)) return usageError("--config needs a file");
            auto loaded = qvsim::LoadCardConfig(v);
            if (!loaded.ok()) return usageError(v + ": " + loaded.error);
            cards = std::move(loaded.cards);
        } else if (arg == "--item-fault") {
            std::string kind;
            if (!value(v) || !qvsim::ParseItemFault(v, faultGroup, faultItem) || !value(kind) ||
                !qvsim::ParseFault(kind, itemFault))
                return usageError("--item-fault needs GG.II and a fault kind");
        } else if (arg == "--blank") {
            std::string id;
            if (!value(v) || !value(id) || v.size() > 8 || id.size() != 4)
                return usageError("--blank needs a model (up to 8 characters) and a 4-character ID");
            cards.push_back(qvsim::BlankCard(v, id));
        } else if (arg == "--strict") {
            strict = true;
        } else if (arg == "--state") {
            if (!value(statePath)) return usageError("--state needs a file");
        } else if (arg == "--pu-id") {
            if (!value(v) || v.size() != 4) return usageError("--pu-id needs a 4-character ID");
            puIds.push_back(v);
        } else if (arg == "--fault" || arg == "--fault-once") {
            qvsim::Fault f;
            if (!value(v) || !qvsim::ParseFault(v, f)) return usageError("unknown fault kind");
            if (arg == "--fault") standing = f;
            else once.push_back(f);
        } else if (arg == "--slow-ms") {
            int ms = 0;
            if (!value(v)) return usageError("--slow-ms needs a number");
            auto [p, ec] = std::from_chars(v.data(), v.data() + v.size(), ms);
            if (ec != std::errc() || p != v.data() + v.size() || ms < 0 || ms > 600000)
                return usageError("--slow-ms needs a number 0..600000");
            settings.slowDelay = std::chrono::milliseconds(ms);
        } else {
            return usageError("unknown option " + arg);
        }
    }
    if (!statePath.empty() && std::ifstream(statePath).good()) {
        auto loaded = qvsim::LoadCardConfig(statePath);
        if (!loaded.ok()) return usageError(statePath + ": " + loaded.error);
        cards = std::move(loaded.cards);
    }
    if (cards.empty()) cards.push_back(qvsim::DefaultCard());
    if (strict)
        for (qvsim::SimCard& c : cards) c.strict = true;

    // Signals are taken by sigwait below, not by the serving thread.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    qvsim::PtyServer server(cards);
    server.setExtraAddresses(puIds);
    server.setStandingFault(standing);
    if (itemFault != qvsim::Fault::None) server.setItemFault(faultGroup, faultItem, itemFault);
    for (qvsim::Fault f : once) server.injectFault(f);
    server.setFaultSettings(settings);
    if (verbose) {
        server.setLogger([](const std::string& in, const std::string& out) {
            std::cerr << "qvsim: " << visible(in) << " -> " << (out.empty() ? "(nothing)" : visible(out)) << std::endl;
        });
    }
    std::string error;
    if (!server.start(error)) {
        std::cerr << "qvsim: " << error << "\n";
        return 1;
    }
    std::cout << server.devicePath() << std::endl;
    for (std::size_t i = 0; i < cards.size(); ++i) {
        std::cerr << "qvsim: card " << i << " " << cards[i].model << " ID " << cards[i].unitId() << " at "
                  << qvsim::BaudRateOfIndex(cards[i].baudIndex) << " baud, selector " << cards[i].selector << "\n";
    }
    int sig = 0;
    sigwait(&signals, &sig);
    server.stop();
    if (!statePath.empty()) {
        std::vector<qvsim::SimCard> state;
        server.withController([&](qvsim::Controller& c) { state = c.cards(); });
        std::ofstream(statePath) << qvsim::FormatCardConfig(state);
    }
    return 0;
}
