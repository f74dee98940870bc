#include "ht9_exchanger.h"

#include "monitor_engine.h"
#include "serial_link.h"

#include <vector>

namespace kravin::online::ht9 {

namespace {

constexpr int kLeaveTries = 30;

bool isV8rtu(const std::string& model) { return model.rfind("V8RTU", 0) == 0; }

}  // namespace

Ht9Exchanger::Ht9Exchanger(SerialLink* serial, BusApi bus, Ht9Target target, Sleep sleep)
    : serial_(serial), bus_(bus), target_(std::move(target)), sleep_(std::move(sleep))
{
}

int Ht9Exchanger::Address() const { return BusItemAddress(target_.station, target_.card - 1); }

void Ht9Exchanger::Wait(std::chrono::milliseconds d) const
{
    if (sleep_) sleep_(d);
}

Ht9Reply Ht9Exchanger::Perform(const Ht9Request& request)
{
    switch (request.kind) {
    case Ht9Request::Kind::Serial: return SerialExchange(request);
    case Ht9Request::Kind::BusCycle:
        if (bus_.cycle) bus_.cycle();
        return {true, {}};
    case Ht9Request::Kind::BusRead:
    case Ht9Request::Kind::BusWrite: return BusRequest(request);
    case Ht9Request::Kind::Pause: break;
    }
    return {true, {}};
}

Ht9Reply Ht9Exchanger::SerialExchange(const Ht9Request& request)
{
    if (!serial_ || !serial_->isOpen() || request.bytes.empty() || request.replyMax <= 0) return {};
    const int length = static_cast<int>(request.bytes.size());
    std::vector<char> buffer(static_cast<std::size_t>(request.replyMax) + 1, '\0');
    int got = 0;
    if (request.framed) {
        if (!serial_->SendPuFrame(request.bytes.data(), length, 0)) return {};
        got = serial_->ReceivePuFrame(buffer.data(), request.replyMax);
    } else {
        if (!serial_->ComWrite(request.bytes.data(), length)) return {};
        got = serial_->ComReadLine(buffer.data(), request.replyMax);
    }
    if (got <= 0) return {};
    got = std::min(got, request.replyMax);
    return {true, std::string(buffer.data(), static_cast<std::size_t>(got))};
}

Ht9Reply Ht9Exchanger::BusRequest(const Ht9Request& request)
{
    if (!bus_.items || !bus_.status || bus_.status() != VUKEN_STATUS_READY) return {};
    // On a remote I/O station the selector, and the mode item in write mode, are not the user's.
    if (isV8rtu(target_.model) && request.group == 0 && (request.item == 0 || (request.item == 1 && request.writeMode)))
        return {};
    if (request.kind == Ht9Request::Kind::BusWrite) {
        std::string data = request.bytes;
        if (!data.empty()) data.pop_back();  // the unit's CR
        BusItemRequest item{request.group, request.item, data.data()};
        return {bus_.items(VUKEN_OP_WRITE, Address(), &item, nullptr) == 0, {}};
    }
    BusItemRequest item{request.group, request.item, nullptr};
    char* reply = nullptr;
    if (bus_.items(VUKEN_OP_READ, Address(), &item, &reply) != 0) return {};
    return {true, reply ? std::string(reply) : std::string()};
}

bool Ht9Exchanger::LeaveBus()
{
    if (!bus_.status || !bus_.items) return false;
    bool ready = bus_.status() == VUKEN_STATUS_READY;
    for (int i = 0; i < kLeaveTries && !ready; ++i) {
        Wait(std::chrono::milliseconds(100));
        if (bus_.cycle) bus_.cycle();
        Wait(std::chrono::milliseconds(100));
        ready = bus_.status() == VUKEN_STATUS_READY;
    }
    bool written = false;
    if (ready) {
        std::string off = "0";
        BusItemRequest item{0, 1, off.data()};
        written = bus_.items(VUKEN_OP_WRITE, Address(), &item, nullptr) == 0;
        Wait(std::chrono::milliseconds(50));
    }
    if (bus_.close) bus_.close();
    return written;
}

}  // namespace kravin::online::ht9
