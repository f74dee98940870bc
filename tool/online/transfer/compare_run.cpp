#include "compare_run.h"

#include "serial_link.h"
#include "services.h"
#include "transfer_texts.h"
#include "validation.h"

#include <cstdio>

namespace kravin::online {

namespace {

constexpr int kGroupReply = 4;
constexpr int kItemReply = 21;
constexpr int kBusRetries = 3;

std::string command(char letter, int n)
{
    char t[16];
    std::snprintf(t, sizeof t, "%c%02d\r", letter, n);
    return t;
}

std::string errorDetail(int group, int item)
{
    char t[64];
    std::snprintf(t, sizeof t, "(((((  Group:%02d Item:%02d  )))))", group, item);
    return t;
}

}  // namespace

std::string BusReplyValue(const char* reply)
{
    std::string text = reply ? reply : "";
    if (const std::size_t colon = text.find(':'); colon != std::string::npos) {
        std::size_t from = colon + 1;
        while (from < text.size() && text[from] == ' ') ++from;
        text = text.substr(from);
    }
    return text;
}

CompareRun::CompareRun(SerialLink* link, BusApi bus, TransferUnit unit, CompareSetup setup,
                       TransferQuestions& questions, TransferTiming timing)
    : link_(link), bus_(bus), unit_(std::move(unit)), setup_(std::move(setup)), context_(questions, std::move(timing))
{
    if (link_) io_.emplace(*link_, context_);
    if (unit_.v8rtuStation) {
        setup_.firstGroup = 0;
        setup_.lastGroup = 99;
    }
}

void CompareRun::Run()
{
    differences_ = 0;
    firstTick_ = true;
    if (unit_.cards.empty() || (!setup_.bus && !io_)) {
        context_.result().Set(TransferOutcome::Failed, kMsgCompareCommError);
        return;
    }
    End end = End::Done;
    if (!setup_.bus) {
        if (link_->OpenComPort(setup_.baudIndex, setup_.portName) != 0) {
            context_.result().Set(TransferOutcome::Failed, 9291, setup_.portName);
            return;
        }
        if (IsWModel(unit_.cards.front().model) && !Preamble(unit_.cards.front())) end = End::Fail;
    }
    for (std::size_t i = 0; end == End::Done && i < unit_.cards.size(); ++i) end = CompareCard(unit_.cards[i]);
    if (setup_.bus) {
        if (bus_.close) bus_.close();
    } else {
        link_->CloseComPort();
    }
    switch (end) {
    case End::Done: context_.result().Set(TransferOutcome::Finished); break;
    case End::Abort: context_.result().Set(TransferOutcome::Aborted); break;
    case End::Stop: context_.result().Set(TransferOutcome::Stopped); break;
    case End::Fail:
        context_.result().Set(TransferOutcome::Failed, setup_.bus ? kMsgBusNotReadyTransfer : kMsgCompareCommError);
        break;
    }
}

bool CompareRun::Preamble(const TransferCard& card)
{
    const TransferTiming& t = context_.timing();
    std::string reply;
    if (!io_->Exchange("G00\r", 32, reply, t.afterCommand, false, true) || !BeginsWith(reply, "COK")) return false;
    io_->Exchange("I00\r", 32, reply, t.selectWait, false, true);
    io_->Exchange(IsSecondSubUnit(card) ? "D1\r" : "D0\r", 32, reply, t.afterCommand, false, true);
    return true;
}

void CompareRun::SelectSerialBank(const char* data)
{
    std::string reply;
    const milliseconds w = context_.timing().compareCommand;
    io_->Exchange("G00\r", kGroupReply, reply, w, false);
    io_->Exchange("I00\r", kItemReply, reply, w, false);
    io_->Exchange(data, kItemReply, reply, w, false);
}

std::optional<std::string> CompareRun::ReadSerial(int group, int item, bool selectGroup)
{
    std::string reply;
    const milliseconds w = context_.timing().compareCommand;
    if (selectGroup && (!io_->Exchange(command('G', group), kGroupReply, reply, w, false) || !BeginsWith(reply, "COK")))
        return std::nullopt;
    if (!io_->Exchange(command('I', item), kItemReply, reply, w, false) || reply.empty() ||
        (reply[0] != 'D' && reply[0] != 'C'))
        return std::nullopt;
    return reply.substr(1);
}

std::optional<std::string> CompareRun::ReadBus(const TransferCard& card, int group, int item)
{
    if (!bus_.items) return std::nullopt;
    BusItemRequest request{group, item, nullptr};
    char* reply = nullptr;
    const int address = (card.card < 0 ? 0 : card.card) | unit_.station << 5;
    const int r = bus_.items(VUKEN_OP_READ, address, &request, &reply);
    context_.Wait(context_.timing().busRead);
    if (r != 0) return std::nullopt;
    return BusReplyValue(reply);
}

std::optional<std::string> CompareRun::Read(const TransferCard& card, int group, int item, bool selectGroup, End& end)
{
    int retries = 0;
    int notReady = 0;
    for (;;) {
        if (context_.stopRequested()) {
            end = End::Stop;
            return std::nullopt;
        }
        std::optional<std::string> value;
        if (setup_.bus) {
            context_.Wait(firstTick_ ? context_.timing().busFirstTick : context_.timing().busTick);
            firstTick_ = false;
            if (bus_.cycle) bus_.cycle();
            if (!bus_.status || bus_.status() != VUKEN_STATUS_READY) {
                // A bus that does not come up ends the compare with a message.
                if (++notReady >= setup_.busNotReadyTicks) {
                    end = End::Fail;
                    return std::nullopt;
                }
                continue;
            }
            value = ReadBus(card, group, item);
            if (value) return value;
            if (++retries <= kBusRetries) continue;
        } else {
            value = ReadSerial(group, item, selectGroup);
            if (value) return value;
            selectGroup = true;
        }
        if (context_.questions().communicationError(errorDetail(group, item)) != model::AnswerSkip) {
            end = End::Abort;
            return std::nullopt;
        }
        retries = 0;
    }
}

CompareRun::End CompareRun::CompareGroup(const TransferCard& card, const TransferGroup& g, int sentGroup)
{
    const bool keepItem11 = unit_.v8rtu || model::GetModelCode(card.model) != 0 || ModelBeginsWith(card.model, "TJK5 ");
    std::vector<TransferItem> items;
    if (g.hasBlock) {
        for (const TransferItem& i : g.items)
            if (!(g.group == 0 && i.item == 11 && !keepItem11)) items.push_back(i);
    } else {
        items.push_back({10, g.item10});
    }
    const bool typeOnly = !g.hasBlock;
    bool selectGroup = true;
    bool skipRest = false;
    for (const TransferItem& item : items) {
        End end = End::Done;
        const std::optional<std::string> value = Read(card, sentGroup, item.item, selectGroup, end);
        if (end != End::Done) return end;
        selectGroup = false;
        const std::string device = DeviceCompareForm(g.group, item.item, *value, &skipRest);
        const std::string project = ProjectCompareForm(unit_, card, g, item);
        TransferProgress p;
        p.card = card.card;
        p.group = sentGroup;
        p.item = item.item;
        p.deviceValue = device;
        p.projectValue = project;
        if (io_) {
            p.sent = io_->progress().sent;
            p.received = io_->progress().received;
        }
        if (context_.progress) context_.progress(p);
        if (typeOnly && !device.empty() && device[0] == '*') break;
        const bool limit = !setup_.bus && (g.group == 97 || g.group == 98);
        // Equal numbers of a FLOAT item are equal however many digits either side shows.
        if (!CompareEqual(model::FormatItemValue(item.type, device), model::FormatItemValue(item.type, project), limit)) {
            ++differences_;
            const CompareDifference d{card.card < 0 ? 0 : card.card, sentGroup, item.item, device, project};
            if (context_.questions().compareError(d) != model::AnswerSkip) return End::Abort;
            if (typeOnly) break;
        }
        if (skipRest) break;
    }
    return End::Done;
}

CompareRun::End CompareRun::CompareCard(const TransferCard& card)
{
    if (io_) io_->setFramed(card.irCard, card.unitId, setup_.programmingUnitId);
    if (!setup_.bus && unit_.v8rtu) {
        for (;;) {
            std::string reply;
            const milliseconds w = context_.timing().compareCommand;
            char d[16];
            std::snprintf(d, sizeof d, "D%X\r", static_cast<unsigned>(card.card) & 0xFu);
            if (io_->Exchange("G00\r", kGroupReply, reply, w, false, true) && BeginsWith(reply, "COK") &&
                io_->Exchange("I00\r", kItemReply, reply, w, false, true) && BeginsWith(reply, "D") &&
                io_->Exchange(d, kItemReply, reply, w, false, true) && BeginsWith(reply, "D"))
                break;
            if (context_.stopRequested()) return End::Stop;
            if (context_.questions().communicationError(errorDetail(0, 0)) != model::AnswerSkip) return End::Abort;
        }
    }
    // A V8RTU station holds groups 0 and 1 once, on its first card: the later cards pass them.
    int start = unit_.v8rtu && card.card >= 1 ? 2 : 0;
    if (!setup_.bus && IsSecondSubUnit(card)) start = 11;
    const bool bank2 = !setup_.bus && HasBank2(card.model);
    if (bank2) SelectSerialBank("D0\r");
    for (const TransferGroup& g : card.groups) {
        if (g.group < start || g.group < setup_.firstGroup || g.group > setup_.lastGroup) continue;
        if (bank2 && Bank2Number(g.group) != 0) continue;
        if (const End end = CompareGroup(card, g, g.group); end != End::Done) return end;
    }
    if (bank2) {
        SelectSerialBank("D2\r");
        for (const TransferGroup& g : card.groups) {
            const int n = Bank2Number(g.group);
            if (n == 0) continue;
            if (const End end = CompareGroup(card, g, n); end != End::Done) return end;
        }
        SelectSerialBank("D0\r");
    }
    return End::Done;
}

}  // namespace kravin::online
