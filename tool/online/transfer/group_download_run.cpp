#include "group_download_run.h"

#include "download_run.h"
#include "serial_link.h"
#include "services.h"
#include "transfer_texts.h"

#include <cstdio>

namespace kravin::online {

namespace {

constexpr int kGroupReply = 4;
constexpr int kItemReply = 32;

std::string command(char letter, int n)
{
    char t[16];
    std::snprintf(t, sizeof t, "%c%02d\r", letter, n);
    return t;
}

}  // namespace

GroupDownloadRun::GroupDownloadRun(SerialLink& link, TransferCard card, GroupDownloadSetup setup,
                                   TransferQuestions& questions, TransferTiming timing)
    : link_(link), card_(std::move(card)), setup_(std::move(setup)), context_(questions, std::move(timing)),
      io_(link, context_)
{
}

bool GroupDownloadRun::Group(int group, bool plain)
{
    const int repeats = io_.framed() && !plain ? 5 : 3;
    std::string reply;
    for (int attempt = 0; attempt <= repeats; ++attempt) {
        if (io_.Exchange(command('G', group), kGroupReply, reply, milliseconds(0), true, plain) && BeginsWith(reply, "COK"))
            return true;
        if (context_.stopRequested()) return false;
    }
    return false;
}

void GroupDownloadRun::Run()
{
    skipAll_ = false;
    unwritten_ = 0;
    if (card_.groups.empty()) {
        context_.result().Set(TransferOutcome::Failed, kMsgDownloadCommError);
        return;
    }
    if (link_.OpenComPort(setup_.baudIndex, setup_.portName) != 0) {
        context_.result().Set(TransferOutcome::Failed, kMsgPortOpen, setup_.portName);
        return;
    }
    io_.setFramed(card_.irCard, card_.unitId, setup_.programmingUnitId);
    io_.progress().card = card_.card;
    End end = End::Done;
    std::string reply;
    const bool v8rtu = ModelBeginsWith(card_.model, "V8RTU");
    if (v8rtu && card_.card >= 0) {
        char d[16];
        std::snprintf(d, sizeof d, "D%X\r", static_cast<unsigned>(card_.card) & 0xFu);
        if (!Group(0, true)) {
            end = End::Fail;
        } else {
            io_.Exchange("I00\r", kItemReply, reply, milliseconds(0), true, true);
            io_.Exchange(d, kItemReply, reply, milliseconds(0), true, true);
        }
    }
    if (end == End::Done && IsWModel(card_.model)) {
        const TransferTiming& t = context_.timing();
        if (!io_.Exchange("G00\r", kItemReply, reply, t.afterCommand, false, true) || !BeginsWith(reply, "COK")) {
            end = End::Fail;
        } else {
            io_.Exchange("I00\r", kItemReply, reply, t.selectWait, false, true);
            io_.Exchange(IsSecondSubUnit(card_) ? "D1\r" : "D0\r", kItemReply, reply, t.afterCommand, false, true);
        }
    }
    if (end == End::Done && HasBank2(card_.model)) {
        // The bank of the shown group.
        if (!Group(0)) {
            end = End::Fail;
        } else {
            io_.Exchange("I00\r", kItemReply, reply);
            io_.Exchange(setup_.bank2 ? "D2\r" : "D0\r", kItemReply, reply);
        }
    }
    if (end == End::Done) end = Items();
    if (end == End::Done || end == End::Missing) {
        const std::optional<std::string> item51 = StationItem51Command(card_);
        if (item51 && Group(0) &&
            io_.Exchange("I51\r", kItemReply, reply, io_.framed() ? milliseconds(0) : context_.timing().selectWait))
            io_.Exchange(*item51, kItemReply, reply);
    }
    link_.CloseComPort();
    switch (end) {
    case End::Done:
        if (unwritten_ > 0)
            context_.result().Set(TransferOutcome::Failed, kMsgDownloadIncomplete, std::to_string(unwritten_));
        else
            context_.result().Set(TransferOutcome::Finished);
        break;
    case End::Missing: context_.result().Set(TransferOutcome::Failed, kMsgItemDoesNotExist); break;
    case End::Abort: context_.result().Set(TransferOutcome::Aborted); break;
    case End::Stop: context_.result().Set(TransferOutcome::Stopped); break;
    case End::Fail: context_.result().Set(TransferOutcome::Failed, kMsgDownloadCommError); break;
    }
}

GroupDownloadRun::End GroupDownloadRun::Items()
{
    const TransferGroup& g = card_.groups.front();
    const int sent = setup_.shownGroup;
    io_.progress().group = sent;
    if (context_.stopRequested()) return End::Stop;
    if (!Group(sent)) return context_.stopRequested() ? End::Stop : End::Fail;
    const bool v8rtu = ModelBeginsWith(card_.model, "V8RTU");
    for (const TransferItem& item : g.items) {
        if (context_.stopRequested()) return End::Stop;
        std::string text = item.text;
        if (v8rtu && g.group == 0 && (item.item == 51 || item.item == 52)) {
            char t[16];
            if (item.item == 51)
                std::snprintf(t, sizeof t, "%02X", static_cast<unsigned>(setup_.station) & 0xFFu);
            else
                std::snprintf(t, sizeof t, "%d", setup_.cardCount);
            text = t;
        }
        if (IsSequenceGroup(g.group)) {
            if (item.item > 10 && text == "000000") continue;
            if (item.item > 9 && !text.empty() && text[0] == '*') text = "-";
        }
        if (item.item == 10 && g.group <= 98) context_.Wait(context_.timing().itemTen);
        io_.progress().item = item.item;
        std::string reply;
        if (!io_.Exchange(command('I', item.item), kItemReply, reply)) {
            if (item.item == 10) return End::Done;
            if (context_.questions().communicationError({}) != model::AnswerSkip) return End::Abort;
            ++unwritten_;
            continue;
        }
        if (BeginsWith(reply, "CNG")) {
            if (item.item == 10) return End::Missing;
            if (item.item == 0) return End::Abort;
            int answer = model::AnswerSkip;
            if (!skipAll_) answer = context_.questions().itemMissing(sent, item.item);
            if (answer == model::AnswerSkipAll) skipAll_ = true;
            if (answer == model::AnswerAbort) return End::Abort;
            ++unwritten_;
            continue;
        }
        if (!io_.Exchange("D" + text + "\r", kItemReply, reply)) {
            if (context_.questions().communicationError({}) != model::AnswerSkip) return End::Abort;
            ++unwritten_;
            continue;
        }
        if (BeginsWith(reply, "CNG")) {
            int answer = model::AnswerSkip;
            if (!skipAll_) answer = context_.questions().itemMissing(sent, item.item);
            if (answer == model::AnswerSkipAll) skipAll_ = true;
            if (answer == model::AnswerAbort) return End::Abort;
            ++unwritten_;
        }
        if (text == "-") break;
    }
    return End::Done;
}

}  // namespace kravin::online
