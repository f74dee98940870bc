// The compare: reads every used item of the unit back from the device, over the serial
// link or the bus, and reports each difference to the user (Skip or Abort). It never
// writes to the device or the project.
#pragma once

#include "bus_api.h"
#include "serial_transport.h"
#include "transfer_unit.h"

#include <optional>
#include <string>

namespace kravin::online {

class SerialLink;

// A bus reply's value: the text after its first colon, leading blanks dropped.
std::string BusReplyValue(const char* reply);

constexpr int kMsgCompareCommError = 8300;
constexpr int kMsgBusNotReadyTransfer = 9292;

struct CompareSetup {
    bool bus = false;            // "Network Compare"
    std::string portName;        // serial
    int baudIndex = 1;
    int firstGroup = 0, lastGroup = 99;
    std::string programmingUnitId;
    int busNotReadyTicks = 25;   // ticks without a ready bus before the run gives up
};

class CompareRun final : public TransferRun {
public:
    CompareRun(SerialLink* link, BusApi bus, TransferUnit unit, CompareSetup setup, TransferQuestions& questions,
               TransferTiming timing);

    void Run() override;
    TransferContext& context() override { return context_; }

    int differences() const { return differences_; }

private:
    enum class End { Done, Abort, Stop, Fail };
    // The device's value of one item: nothing on a failed read.
    std::optional<std::string> ReadSerial(int group, int item, bool selectGroup);
    std::optional<std::string> ReadBus(const TransferCard& card, int group, int item);
    std::optional<std::string> Read(const TransferCard& card, int group, int item, bool selectGroup, End& end);
    End CompareCard(const TransferCard& card);
    End CompareGroup(const TransferCard& card, const TransferGroup& g, int sentGroup);
    bool Preamble(const TransferCard& card);
    void SelectSerialBank(const char* data);

    SerialLink* link_;
    BusApi bus_;
    TransferUnit unit_;
    CompareSetup setup_;
    TransferContext context_;
    std::optional<SerialTransport> io_;
    int differences_ = 0;
    bool firstTick_ = true;
};

}  // namespace kravin::online
