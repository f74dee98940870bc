// One command and its reply over the serial link, plain or framed for the unit's ID, with
// the run's step waits and progress texts.
#pragma once

#include "transfer_core.h"

#include <string>

namespace kravin::online {

class SerialLink;

class SerialTransport {
public:
    SerialTransport(SerialLink& link, TransferContext& context) : link_(link), context_(context) {}

    // Framed commands go to unitId (replies from it or from the programming unit's ID).
    void setFramed(bool framed, std::string unitId, std::string programmingUnitId = {});
    bool framed() const { return framed_; }

    // Sends command (CR included) and reads a reply of up to maxLength bytes after
    // waitBefore. The reply (cut at CR) in reply; false when none came (or the frame was
    // not valid). stepWaits: the run's step wait before the send and before the read.
    bool Exchange(const std::string& command, int maxLength, std::string& reply,
                  milliseconds waitBefore = milliseconds(0), bool stepWaits = true, bool plain = false);

    TransferProgress& progress() { return progress_; }
    void Report();

private:
    SerialLink& link_;
    TransferContext& context_;
    bool framed_ = false;
    std::string unitId_;
    std::string puId_;
    TransferProgress progress_;
};

bool BeginsWith(const std::string& s, const char* prefix);

}  // namespace kravin::online
