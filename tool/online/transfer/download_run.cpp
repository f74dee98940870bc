#include "download_run.h"

#include "serial_link.h"
#include "services.h"
#include "transfer_texts.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace kravin::online {

namespace {

constexpr int kGroupReply = 4;
constexpr int kItemReply = 32;

std::string twoDigit(char letter, int n)
{
    char t[16];
    std::snprintf(t, sizeof t, "%c%02d\r", letter, n);
    return t;
}

}  // namespace

bool ValidDownloadBounds(const DownloadSetup& s)
{
    for (int b : {s.bank0First, s.bank0Last, s.bank2First, s.bank2Last})
        if (b < 0 || b > 99) return false;
    return true;
}

DownloadRun::DownloadRun(SerialLink& link, TransferUnit unit, DownloadSetup setup, TransferQuestions& questions,
                         TransferTiming timing)
    : link_(link), unit_(std::move(unit)), setup_(std::move(setup)), context_(questions, std::move(timing)),
      io_(link, context_)
{
    if (setup_.clearEeprom) {
        setup_.bank0First = setup_.bank2First = 0;
        setup_.bank0Last = setup_.bank2Last = 99;
    }
}

int DownloadRun::repeats() const { return io_.framed() ? 5 : 3; }

void DownloadRun::Run()
{
    skipAll_ = false;
    unwritten_ = 0;
    if (unit_.cards.empty()) {
        context_.result().Set(TransferOutcome::Failed, kMsgDownloadCommError);
        return;
    }
    if (link_.OpenComPort(setup_.baudIndex, setup_.portName) != 0) {
        context_.result().Set(TransferOutcome::Failed, kMsgPortOpen, setup_.portName);
        return;
    }
    CardEnd end = CardEnd::Done;
    if (IsWModel(unit_.cards.front().model) && !Preamble(unit_.cards.front())) end = CardEnd::Fail;
    for (std::size_t i = 0; end == CardEnd::Done && i < unit_.cards.size(); ++i) {
        cardIndex_ = static_cast<int>(i);
        end = RunCard(unit_.cards[i], i > 0);
    }
    link_.CloseComPort();
    switch (end) {
    case CardEnd::Done:
        // Refused or skipped writes leave the device short of the project: no normal end.
        if (unwritten_ > 0)
            context_.result().Set(TransferOutcome::Failed, kMsgDownloadIncomplete, std::to_string(unwritten_));
        else
            context_.result().Set(TransferOutcome::Finished);
        break;
    case CardEnd::Abort: context_.result().Set(TransferOutcome::Aborted); break;
    case CardEnd::Stop: context_.result().Set(TransferOutcome::Stopped); break;
    case CardEnd::Fail: context_.result().Set(TransferOutcome::Failed, kMsgDownloadCommError); break;
    }
}

bool DownloadRun::Preamble(const TransferCard& card)
{
    const TransferTiming& t = context_.timing();
    std::string reply;
    if (!io_.Exchange("G00\r", kItemReply, reply, t.afterCommand, false, true) || !BeginsWith(reply, "COK")) return false;
    io_.Exchange("I00\r", kItemReply, reply, t.selectWait, false, true);
    io_.Exchange(IsSecondSubUnit(card) ? "D1\r" : "D0\r", kItemReply, reply, t.afterCommand, false, true);
    return true;
}

bool DownloadRun::SelectCard(const TransferCard& card)
{
    std::string reply;
    if (!io_.Exchange("G00\r", kGroupReply, reply, milliseconds(0), true, true) || !BeginsWith(reply, "COK")) return false;
    io_.Exchange("I00\r", kItemReply, reply, milliseconds(0), true, true);
    char d[16];
    std::snprintf(d, sizeof d, "D%X\r", static_cast<unsigned>(card.card) & 0xFu);
    io_.Exchange(d, kItemReply, reply, milliseconds(0), true, true);
    return true;
}

bool DownloadRun::Group(int group)
{
    const std::string command = twoDigit('G', group);
    std::string reply;
    for (int attempt = 0; attempt <= repeats(); ++attempt) {
        if (io_.Exchange(command, kGroupReply, reply) && BeginsWith(reply, "COK")) return true;
        if (context_.stopRequested()) return false;
    }
    return false;
}

DownloadRun::Step DownloadRun::Item(int group, const TransferItem& item, const std::string& text, CardEnd& end)
{
    const bool closesGroup = item.item == 10 || text == "-";
    const Step skip = closesGroup ? Step::NextGroup : Step::Next;
    auto missing = [&] {
        int answer = model::AnswerSkip;
        if (!skipAll_) answer = context_.questions().itemMissing(group, item.item);
        if (answer == model::AnswerSkipAll) skipAll_ = true;
        if (answer == model::AnswerAbort) end = CardEnd::Abort;
        else ++unwritten_;
        return item.item == 10 ? Step::NextGroup : Step::Next;
    };
    auto commError = [&] {
        if (context_.questions().communicationError({}) != model::AnswerSkip) end = CardEnd::Abort;
        else ++unwritten_;
        return skip;
    };
    std::string reply;
    if (!io_.Exchange(twoDigit('I', item.item), kItemReply, reply)) return commError();
    if (BeginsWith(reply, "CNG")) return missing();
    const std::string data = "D" + text + "\r";
    for (int attempt = 0; attempt <= repeats(); ++attempt) {
        if (io_.Exchange(data, kItemReply, reply)) {
            if (BeginsWith(reply, "CNG")) return missing();
            return Step::Next;
        }
        if (context_.stopRequested()) return Step::Next;
    }
    return commError();
}

DownloadRun::CardEnd DownloadRun::CardType(const TransferCard& card)
{
    std::string reply;
    if (!Group(0) || !io_.Exchange("I96\r", kItemReply, reply)) {
        return context_.questions().communicationError({}) == model::AnswerSkip ? CardEnd::Done : CardEnd::Abort;
    }
    if (BeginsWith(reply, "CNG") || reply.size() < 2) return CardEnd::Done;
    const int code = std::atoi(reply.substr(reply.size() - 2).c_str());
    if (code != 0) {
        // The code must be listed for the model; a QV200X of version 1.6 and a QV200BX of
        // version 1.3 report the codes of the QV200 and the QV200B.
        const bool table = std::any_of(setup_.cardTypes.begin(), setup_.cardTypes.end(),
                                       [](const std::vector<std::string>& v) { return !v.empty(); });
        if (!table || code < 0 || code >= static_cast<int>(setup_.cardTypes.size())) return CardEnd::Done;
        std::string name = card.model;
        name.resize(8, ' ');
        if (name == "QV200X  " && card.version.rfind("1.6", 0) == 0) name = "QV200   ";
        if (name == "QV200BX " && card.version.rfind("1.3", 0) == 0) name = "QV200B  ";
        for (std::string listed : setup_.cardTypes[static_cast<std::size_t>(code)]) {
            listed.resize(8, ' ');
            if (listed == name) return CardEnd::Done;
        }
        return context_.questions().confirm(kMsgCardTypeMismatch, {}, true) ? CardEnd::Done : CardEnd::Abort;
    }
    if (!Group(1) || !io_.Exchange("I10\r", kItemReply, reply)) return CardEnd::Done;
    const std::string value = reply.empty() ? reply : reply.substr(1);
    const bool mismatch = (value == "**" && !ModelBeginsWith(card.model, "TQRW ")) ||
                          (value == "31" && !ModelBeginsWith(card.model, "63WH "));
    if (!mismatch) return CardEnd::Done;
    return context_.questions().confirm(kMsgCardTypeMismatch, {}, true) ? CardEnd::Done : CardEnd::Abort;
}

DownloadRun::CardEnd DownloadRun::Groups(const TransferCard& card, int bank, int first, int last, int start)
{
    const bool bank2Model = HasBank2(card.model);
    for (const TransferGroup& g : card.groups) {
        if (!g.hasBlock || g.items.empty()) continue;
        const int real = g.group;
        int sent = real;
        if (bank == 0) {
            if (real < start || real < first || real > last || (bank2Model && Bank2Number(real) != 0)) continue;
        } else {
            sent = Bank2Number(real);
            if (sent == 0 || sent < first || sent > last) continue;
        }
        if (context_.stopRequested()) return CardEnd::Stop;
        io_.progress().group = sent;
        if (!Group(sent)) {
            if (context_.stopRequested()) return CardEnd::Stop;
            if (context_.questions().communicationError({}) != model::AnswerSkip) return CardEnd::Abort;
            ++unwritten_;
            continue;
        }
        for (const TransferItem& item : g.items) {
            if (context_.stopRequested()) return CardEnd::Stop;
            std::string text = DownloadText(unit_, real, item);
            bool closes = false;
            if (IsSequenceGroup(real)) {
                if (item.item > 9 && !text.empty() && text[0] == '*') {
                    text = "-";
                    closes = true;
                } else if (item.item > 10 && text == "000000") {
                    closes = true;
                }
            }
            if (item.item == 10 && real >= 81 && real <= 98) context_.Wait(context_.timing().itemTen);
            io_.progress().item = item.item;
            CardEnd end = CardEnd::Done;
            const Step step = Item(sent, item, text, end);
            if (end != CardEnd::Done) return end;
            if (step == Step::NextGroup || closes) break;
        }
    }
    return CardEnd::Done;
}

DownloadRun::CardEnd DownloadRun::RunCard(const TransferCard& card, bool laterCard)
{
    io_.setFramed(card.irCard, card.unitId, setup_.programmingUnitId);
    io_.progress() = {};
    io_.progress().card = card.card;
    io_.Report();
    if (unit_.v8rtu && !SelectCard(card)) return CardEnd::Fail;
    CardEnd end = CardType(card);
    if (end == CardEnd::Done && context_.stopRequested()) end = CardEnd::Stop;
    if (end == CardEnd::Done) {
        // Write mode on, then the optional clear, with group 0 selected.
        if (!Group(0)) {
            if (context_.questions().communicationError({}) != model::AnswerSkip) end = CardEnd::Abort;
        } else {
            Item(0, {1, "1"}, "1", end);
            if (end == CardEnd::Done && setup_.clearEeprom) Item(0, {95, "1"}, "1", end);
        }
    }
    const bool bank2 = HasBank2(card.model);
    auto selectBank = [&](const char* data) {
        std::string reply;
        if (!Group(0)) return;
        io_.Exchange("I00\r", kItemReply, reply, context_.timing().selectWait);
        io_.Exchange(data, kItemReply, reply);
    };
    if (end == CardEnd::Done && bank2) selectBank("D0\r");
    if (end == CardEnd::Done) {
        int start = 0;
        if (laterCard && unit_.v8rtuStation) start = 2;
        if (IsSecondSubUnit(card)) start = 11;
        end = Groups(card, 0, setup_.bank0First, setup_.bank0Last, start);
    }
    if (end == CardEnd::Done && bank2) {
        selectBank("D2\r");
        end = Groups(card, 2, setup_.bank2First, setup_.bank2Last, 0);
        selectBank("D0\r");
    }
    EndCard(card);
    return end;
}

void DownloadRun::EndCard(const TransferCard& card)
{
    std::string reply;
    const std::optional<std::string> item51 = StationItem51Command(card);
    if (item51 && Group(0) &&
        io_.Exchange("I51\r", kItemReply, reply, io_.framed() ? milliseconds(0) : context_.timing().selectWait))
        io_.Exchange(*item51, kItemReply, reply);
    // Write mode off on the same link, whatever ended the card.
    if (Group(0) && io_.Exchange("I01\r", kItemReply, reply)) io_.Exchange("D0\r", kItemReply, reply);
}

}  // namespace kravin::online
