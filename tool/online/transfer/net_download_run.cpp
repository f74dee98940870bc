#include "net_download_run.h"

#include "monitor_engine.h"
#include "compare_run.h"
#include "transfer_texts.h"

#include <cstdio>
#include <cstdlib>

namespace kravin::online {

namespace {

std::string errorDetail(int group, int item)
{
    char t[64];
    std::snprintf(t, sizeof t, "(((((  Group:%02d Item:%02d  )))))", group, item);
    return t;
}

std::string sentText(int group, int item, const std::string& data)
{
    char t[64];
    std::snprintf(t, sizeof t, "Gr:%02d It:%02d Dt:", group, item);
    return t + data;
}

}  // namespace

int NetItemMode(int group, int blockType, int item)
{
    if (group == 1) return item == 10 ? 1 : 0;
    if (blockType != 0) return blockType == 95 || item == 10 ? 1 : 0;
    if (item == 8 || item == 11) return 1;
    if (item == 97) return 0;
    return -1;
}

NetDownloadRun::NetDownloadRun(BusApi bus, TransferUnit unit, NetDownloadSetup setup, TransferQuestions& questions,
                               TransferTiming timing)
    : bus_(bus), unit_(std::move(unit)), setup_(setup), context_(questions, std::move(timing))
{
}

NetDownloadRun::End NetDownloadRun::Write(int address, int group, int item, const std::string& data)
{
    int failures = 0;
    for (;;) {
        // One write a tick, on a ready bus.
        context_.Wait(context_.timing().busTick);
        for (int tick = 0; bus_.status() != VUKEN_STATUS_READY; ++tick) {
            if (tick >= setup_.busNotReadyTicks) return End::Fail;
            context_.Wait(context_.timing().busTick);
        }
        if (context_.stopRequested()) return End::Abort;
        progress_.group = group;
        progress_.item = item;
        progress_.sent = sentText(group, item, data);
        if (context_.progress) context_.progress(progress_);
        std::string text = data;
        BusItemRequest request{group, item, text.data()};
        const bool ok = bus_.items(VUKEN_OP_WRITE, address, &request, nullptr) == 0;
        context_.countBytes(text.size(), 0);
        context_.Wait(context_.timing().busUploadRead);
        if (ok) return End::Done;
        if (++failures <= setup_.retries) continue;
        if (context_.questions().communicationError(errorDetail(group, item)) != model::AnswerSkip) return End::Abort;
        failures = 0;  // Skip: the same write again
    }
}

NetDownloadRun::End NetDownloadRun::Mode(int address, int mode)
{
    if (mode == mode_) return End::Done;
    const End e = Write(address, 0, 1, mode == 1 ? "1" : "0");
    if (e == End::Done) mode_ = mode;
    return e;
}

std::optional<std::string> NetDownloadRun::Read(int address, int group, int item)
{
    BusItemRequest request{group, item, nullptr};
    char* reply = nullptr;
    const int r = bus_.items(VUKEN_OP_READ, address, &request, &reply);
    context_.Wait(context_.timing().busUploadRead);
    if (r != 0) return std::nullopt;
    return BusReplyValue(reply);
}

void NetDownloadRun::CheckRemoteCard()
{
    // The station's remote card must hold as many cards as the project gives the station:
    // its mode off first, then its card count raised when it holds fewer.
    const int station = BusItemAddress(unit_.station, -1);
    progress_.sent = kRemoteCardCheckText;
    if (context_.progress) context_.progress(progress_);
    for (int tick = 0; bus_.status() != VUKEN_STATUS_READY; ++tick) {
        if (tick >= setup_.busNotReadyTicks || context_.stopRequested()) return;
        context_.Wait(context_.timing().busTick);
    }
    auto write = [&](int item, const std::string& data) {
        std::string text = data;
        BusItemRequest request{0, item, text.data()};
        const bool ok = bus_.items(VUKEN_OP_WRITE, station, &request, nullptr) == 0;
        context_.countBytes(text.size(), 0);
        return ok;
    };
    const std::optional<std::string> mode = Read(station, 0, 1);
    if (!mode) return;
    if (*mode != "0") {
        if (!write(1, "0")) return;
        context_.Wait(context_.timing().remoteCardWait);
    }
    const std::optional<std::string> held = Read(station, 0, 52);
    if (!held) return;
    if (LeadingInteger(*held) >= unit_.cardCount) return;
    if (!write(1, "1")) return;
    context_.Wait(context_.timing().busUploadRead);
    write(52, std::to_string(unit_.cardCount));
}

void NetDownloadRun::ModeOff(int address)
{
    // The unit never stays in download mode: one try, whatever ended the run.
    if (bus_.status() != VUKEN_STATUS_READY) return;
    std::string off = "0";
    BusItemRequest request{0, 1, off.data()};
    bus_.items(VUKEN_OP_WRITE, address, &request, nullptr);
    context_.Wait(context_.timing().busUploadRead);
}

NetDownloadRun::End NetDownloadRun::RunCard(const TransferCard& card, bool lastCard)
{
    const int address = BusItemAddress(unit_.station, card.card);
    progress_.card = card.card;
    mode_ = -1;
    End e = End::Done;
    if (setup_.clearEeprom && !setup_.groupMode) {
        e = Mode(address, 1);
        if (e == End::Done) e = Write(address, 0, 95, "1");
    }
    if (setup_.groupMode) {
        // One group: a V8RTU card is selected first, and its items go in download mode.
        if (unit_.v8rtu && card.card >= 0) e = Write(address, 0, 0, std::to_string(card.card));
        if (e == End::Done) e = Mode(address, 1);
    }
    const int first = setup_.groupMode ? 0 : (setup_.clearEeprom ? 0 : setup_.firstGroup);
    const int last = setup_.groupMode ? 99 : (setup_.clearEeprom ? 99 : setup_.lastGroup);
    const bool laterV8rtuCard = unit_.v8rtu && card.card > 0;
    for (const TransferGroup& g : card.groups) {
        if (e != End::Done) break;
        if (!g.hasBlock || g.group < first || g.group > last || (laterV8rtuCard && g.group < 2)) continue;
        const int blockType = g.group == 1 ? 100 : std::atoi(setup_.blockCodes[static_cast<std::size_t>(g.group)].substr(0, 2).c_str());
        for (const TransferItem& item : g.items) {
            std::string text = DownloadText(unit_, g.group, item);
            bool closeGroup = false;
            if (IsSequenceGroup(g.group)) {
                if (item.item > 9 && !text.empty() && text[0] == '*') {
                    text = "-";
                    closeGroup = true;
                } else if (item.item > 10 && text == "000000") {
                    closeGroup = true;
                }
            }
            if (!unit_.v8rtu) {
                const int mode = NetItemMode(g.group, blockType, item.item);
                if (mode < 0) continue;
                e = Mode(address, mode);
                if (e != End::Done) break;
            }
            e = Write(address, g.group, item.item, text);
            if (e != End::Done || closeGroup) break;
        }
    }
    if (e != End::Done) return e;
    // End of the card: download mode off; on a V8RTU station once, after its last card, at
    // the station's own address.
    if (unit_.v8rtu && !setup_.groupMode) {
        const bool last = unit_.v8rtuStation ? lastCard : card.card + 1 >= unit_.cardCount;
        if (!last) return End::Done;
        return Write(BusItemAddress(unit_.station, -1), 0, 1, "0");
    }
    return Write(address, 0, 1, "0");
}

void NetDownloadRun::Run()
{
    if (!bus_.cycle || !bus_.status || !bus_.items || unit_.cards.empty()) {
        context_.result().Set(TransferOutcome::Failed, kMsgBusNotReadyTransfer);
        return;
    }
    bus_.cycle();
    context_.Wait(context_.timing().busFirstTick);
    if (unit_.v8rtu && unit_.cardCount > 0) CheckRemoteCard();
    End end = End::Done;
    int address = 0;
    for (std::size_t i = 0; end == End::Done && i < unit_.cards.size(); ++i) {
        address = BusItemAddress(unit_.station, unit_.cards[i].card);
        end = RunCard(unit_.cards[i], i + 1 == unit_.cards.size());
    }
    if (end != End::Done)
        ModeOff(unit_.v8rtu && !setup_.groupMode ? BusItemAddress(unit_.station, -1) : address);
    if (bus_.close) bus_.close();
    if (context_.stopRequested())
        context_.result().Set(TransferOutcome::Stopped);
    else if (end == End::Done)
        context_.result().Set(TransferOutcome::Finished);
    else if (end == End::Abort)
        context_.result().Set(TransferOutcome::Aborted);
    else
        context_.result().Set(TransferOutcome::Failed, kMsgBusNotReadyTransfer);
}

}  // namespace kravin::online
