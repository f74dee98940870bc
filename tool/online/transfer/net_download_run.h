// The network download: writes the unit's items into the device over the bus, one write a
// tick, switching the unit's download mode (group 0 item 1) to what each item needs, and
// always switching it off again before the bus is let go. The network group download is
// the same for one group.
#pragma once

#include "bus_api.h"

#include <array>
#include <optional>
#include <string>
#include "transfer_unit.h"
#include "transfer_core.h"

namespace kravin::online {

// The sent text while a V8RTU station's remote card is checked.
inline constexpr const char* kRemoteCardCheckText = "V8RTU Card Check/Set!!";

struct NetDownloadSetup {
    bool clearEeprom = true;   // "Clear EEPROM and Download"
    int firstGroup = 0, lastGroup = 99;
    bool groupMode = false;    // the network group download: the unit's one group
    int retries = 3;           // failed writes of one item before the question
    int busNotReadyTicks = 25; // ticks without a ready bus before the run gives up
    std::array<std::string, 100> blockCodes;  // the unit's block codes (the modes follow their types)
};

// The download mode an item needs: 1, 0, or -1 when the item is not written.
int NetItemMode(int group, int blockType, int item);

// One write as the run made it (for progress and tests).
struct NetWrite {
    int address = 0;
    int group = 0;
    int item = 0;
    std::string data;
};

class NetDownloadRun final : public TransferRun {
public:
    NetDownloadRun(BusApi bus, TransferUnit unit, NetDownloadSetup setup, TransferQuestions& questions,
                   TransferTiming timing);

    void Run() override;
    TransferContext& context() override { return context_; }

private:
    enum class End { Done, Abort, Fail };
    End Write(int address, int group, int item, const std::string& data);
    End Mode(int address, int mode);
    End RunCard(const TransferCard& card, bool lastCard);
    void ModeOff(int address);
    void CheckRemoteCard();
    std::optional<std::string> Read(int address, int group, int item);

    BusApi bus_;
    TransferUnit unit_;
    NetDownloadSetup setup_;
    TransferContext context_;
    TransferProgress progress_;
    int mode_ = -1;
};

}  // namespace kravin::online
