// The download of one group of the current card (the block list's group), sent under the
// number the block list shows (1..14 for bank 2).
#pragma once

#include "serial_transport.h"
#include "transfer_unit.h"

namespace kravin::online {

class SerialLink;

struct GroupDownloadSetup {
    std::string portName;
    int baudIndex = 1;
    int shownGroup = 0;   // the number the group command carries
    bool bank2 = false;   // the block list shows bank 2
    int station = 0;
    int cardCount = 0;    // V8RTU: the station's card count
    std::string programmingUnitId;
};

class GroupDownloadRun final : public TransferRun {
public:
    // card holds the one group to send (its real group).
    GroupDownloadRun(SerialLink& link, TransferCard card, GroupDownloadSetup setup, TransferQuestions& questions,
                     TransferTiming timing);

    void Run() override;
    TransferContext& context() override { return context_; }

private:
    enum class End { Done, Abort, Stop, Fail, Missing };
    bool Group(int group, bool plain = false);
    End Items();

    SerialLink& link_;
    TransferCard card_;
    GroupDownloadSetup setup_;
    TransferContext context_;
    SerialTransport io_;
    bool skipAll_ = false;
    int unwritten_ = 0;  // items refused by the device or skipped by the user
};

}  // namespace kravin::online
