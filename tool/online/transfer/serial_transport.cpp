#include "serial_transport.h"

#include "serial_frame.h"
#include "serial_link.h"

#include <array>
#include <cstring>

namespace kravin::online {

bool BeginsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

void SerialTransport::setFramed(bool framed, std::string unitId, std::string programmingUnitId)
{
    framed_ = framed;
    unitId_ = std::move(unitId);
    puId_ = std::move(programmingUnitId);
}

void SerialTransport::Report()
{
    if (context_.progress) context_.progress(progress_);
}

bool SerialTransport::Exchange(const std::string& command, int maxLength, std::string& reply,
                               milliseconds waitBefore, bool stepWaits, bool plain)
{
    reply.clear();
    if (stepWaits) context_.Wait(context_.timing().step);
    const bool framed = framed_ && !plain;
    std::string bytes = framed ? BuildFrame(FrameAddress(unitId_), command) : command;
    progress_.sent = command.substr(0, command.find('\r'));
    progress_.received.clear();
    Report();
    if (bytes.empty() || !link_.ComWrite(bytes.data(), static_cast<int>(bytes.size()))) return false;
    context_.Wait(waitBefore);
    if (stepWaits) context_.Wait(context_.timing().step);
    std::array<char, kMaxFrameLength + 1> line{};
    const int limit = framed ? static_cast<int>(kMaxFrameLength) : std::min(maxLength, static_cast<int>(kMaxFrameLength));
    const int n = link_.ComReadLine(line.data(), limit);
    context_.countBytes(bytes.size(), n > 0 ? static_cast<std::size_t>(n) : 0);
    if (n <= 0) return false;
    std::string text(line.data(), static_cast<std::size_t>(n));
    if (framed) {
        const ParsedFrame frame = ParseFrame(text, FrameAddress(unitId_), FrameAddress(puId_.empty() ? unitId_ : puId_));
        if (frame.status != FrameStatus::Ok) return false;
        text = frame.text;
    }
    if (const std::size_t cr = text.find('\r'); cr != std::string::npos) text.resize(cr);
    reply = text;
    progress_.received = text;
    Report();
    return true;
}

}  // namespace kravin::online
