// The serial download of a unit: per card the card type read, write mode on, the groups
// of bank 0 (and bank 2), and write mode off again whatever ended the card.
#pragma once

#include "serial_transport.h"
#include "transfer_unit.h"

namespace kravin::online {

class SerialLink;

// Message ids of the download.
constexpr int kMsgAnalogReference = 8112;
constexpr int kMsgSequenceReference = 8113;
constexpr int kMsgCardTypeMismatch = 8114;
constexpr int kMsgDownloadCommError = 8300;
constexpr int kMsgItemDoesNotExist = 8307;
constexpr int kMsgPortOpen = 9291;
// The run ended with items the device refused or the user skipped (their count).
constexpr int kMsgDownloadIncomplete = 9296;

struct DownloadSetup {
    std::string portName;
    int baudIndex = 1;
    bool clearEeprom = true;
    int bank0First = 0, bank0Last = 99;
    int bank2First = 0, bank2Last = 99;
    std::string programmingUnitId;
    // The card type table; all empty: a nonzero card type code is not checked.
    CardTypeTable cardTypes;
};

// A bound above 99 (or below 0) refuses the start.
bool ValidDownloadBounds(const DownloadSetup& setup);

class DownloadRun final : public TransferRun {
public:
    DownloadRun(SerialLink& link, TransferUnit unit, DownloadSetup setup, TransferQuestions& questions,
                TransferTiming timing);

    void Run() override;
    TransferContext& context() override { return context_; }

    // The card being sent (index into the unit's cards).
    int cardIndex() const { return cardIndex_; }

private:
    enum class CardEnd { Done, Abort, Stop, Fail };
    enum class Step { Next, NextGroup, EndCard };

    CardEnd RunCard(const TransferCard& card, bool laterCard);
    bool SelectCard(const TransferCard& card);
    bool Preamble(const TransferCard& card);
    CardEnd CardType(const TransferCard& card);
    // G with its repeats; false after the last repeat.
    bool Group(int group);
    // Item and data command of one item; what comes next.
    Step Item(int group, const TransferItem& item, const std::string& text, CardEnd& end);
    CardEnd Groups(const TransferCard& card, int bank, int first, int last, int start);
    void EndCard(const TransferCard& card);
    int repeats() const;

    SerialLink& link_;
    TransferUnit unit_;
    DownloadSetup setup_;
    TransferContext context_;
    SerialTransport io_;
    int cardIndex_ = 0;
    bool skipAll_ = false;
    int unwritten_ = 0;  // items and groups refused by the device or skipped by the user
};

}  // namespace kravin::online
