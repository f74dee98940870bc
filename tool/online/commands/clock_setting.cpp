#include "clock_setting.h"

#include "serial_link.h"

#include <array>
#include <cstdio>
#include <cstring>

namespace kravin::online {

namespace {

constexpr int kReplyLength = 32;
constexpr int kModeItem = 1;
constexpr int kSelectItem = 0;

std::string twoDigits(int v)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02d", v);
    return text;
}

}  // namespace

int DaysInMonth(int year, int month)
{
    static constexpr std::array<int, 12> kDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[static_cast<std::size_t>(month - 1)];
}

bool ValidClockDate(const ClockDateTime& t)
{
    return t.year >= 2004 && t.year <= 2099 && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
           t.day <= DaysInMonth(t.year, t.month) && t.hour >= 0 && t.hour <= 23 && t.minute >= 0 &&
           t.minute <= 59 && t.second >= 0 && t.second <= 59;
}

std::string ClockStationLabel(int station)
{
    char text[32];
    std::snprintf(text, sizeof text, "STATION  %02X", static_cast<unsigned>(station) & 0xFFu);
    return text;
}

ClockSetter::ClockSetter(SerialLink* serial, BusApi bus, ClockTiming timing)
    : serial_(serial), bus_(bus), timing_(std::move(timing))
{
}

void ClockSetter::Wait(std::chrono::milliseconds d) const
{
    if (timing_.sleep && d.count() > 0) timing_.sleep(d);
}

int ClockSetter::Start(const Setup& setup)
{
    if (running()) return -1;
    if (!ValidClockDate(setup.time)) return kMsgInvalidDate;
    setup_ = setup;
    failed_ = false;
    failedStep_ = 0;
    writeModeOn_ = false;
    step_ = 1;
    return 0;
}

int ClockSetter::Step()
{
    if (step_ == kIdle) return step_;
    if (step_ == kFinishing) {
        Finish();
        return step_;
    }
    if (!RunStep(step_)) {
        failed_ = true;
        failedStep_ = step_;
        step_ = kFinishing;
    } else {
        step_ = step_ == kLastStep ? kFinishing : step_ + 1;
    }
    return step_;
}

void ClockSetter::Run(const std::function<void(int)>& progress)
{
    while (running()) {
        if (progress) progress(step_);
        Step();
        if (running() && step_ != kFinishing) Wait(timing_.betweenSteps);
    }
}

bool ClockSetter::RunStep(int step)
{
    return setup_.link == OnlineLink::Bus ? BusStep(step) : SerialStep(step);
}

// ---- Serial ----

bool ClockSetter::Exchange(const std::string& command, const char* expect)
{
    if (!serial_ || !serial_->ComWrite(command.data(), static_cast<int>(command.size()))) return false;
    Wait(timing_.afterCommand);
    std::array<char, kReplyLength + 1> reply{};
    const int n = serial_->ComReadLine(reply.data(), kReplyLength);
    if (n <= 0) return false;
    const std::size_t want = std::strlen(expect);
    return static_cast<std::size_t>(n) >= want && std::memcmp(reply.data(), expect, want) == 0;
}

bool ClockSetter::SelectAndWrite(int item, const std::string& value)
{
    return Exchange("I" + twoDigits(item) + "\r", "D") && Exchange("D" + value + "\r", "D");
}

bool ClockSetter::SerialStep(int step)
{
    const ClockDateTime& t = setup_.time;
    switch (step) {
    case 1: return serial_ && serial_->OpenComPort(setup_.baudIndex, setup_.portName) == 0;
    case 2: return Exchange("G00\r", "COK") && SelectAndWrite(kSelectItem, "0");
    case 3:
        if (!Exchange("I01\r", "D")) return false;
        writeModeOn_ = true;
        return Exchange("D1\r", "D");
    case 4: return SelectAndWrite(54, twoDigits(t.year % 100));
    case 5: return SelectAndWrite(55, twoDigits(t.month) + twoDigits(t.day));
    case 6: return SelectAndWrite(56, twoDigits(t.hour) + twoDigits(t.minute));
    case 7: return SelectAndWrite(57, twoDigits(t.second));
    case 8:
        if (!SelectAndWrite(kModeItem, "0")) return false;
        writeModeOn_ = false;
        return true;
    default: return false;
    }
}

// ---- Bus ----

bool ClockSetter::BusReady() { return bus_.status && bus_.status() == VUKEN_STATUS_READY; }

bool ClockSetter::BusWrite(int item, const std::string& value)
{
    if (!bus_.items) return false;
    std::string data = value;
    BusItemRequest request{0, item, data.data()};
    return bus_.items(VUKEN_OP_WRITE, BusItemAddress(setup_.station, -1), &request, nullptr) == 0;
}

bool ClockSetter::BusStep(int step)
{
    const ClockDateTime& t = setup_.time;
    if (step == 1) {
        if (!bus_.cycle) return false;
        bus_.cycle();
        return true;
    }
    if (!BusReady()) return false;
    switch (step) {
    case 2: return BusWrite(kSelectItem, "0");
    case 3:
        writeModeOn_ = true;
        return BusWrite(kModeItem, "1");
    case 4: return BusWrite(54, twoDigits(t.year % 100));
    case 5: return BusWrite(55, twoDigits(t.month) + twoDigits(t.day));
    case 6: return BusWrite(56, twoDigits(t.hour) + twoDigits(t.minute));
    case 7: return BusWrite(57, twoDigits(t.second));
    case 8:
        if (!BusWrite(kModeItem, "0")) return false;
        writeModeOn_ = false;
        return true;
    default: return false;
    }
}

// ---- Closing ----

void ClockSetter::Finish()
{
    if (setup_.link == OnlineLink::Bus) {
        // The controller must not stay in write mode: one attempt, whatever it answers.
        if (failed_ && writeModeOn_ && BusReady()) BusWrite(kModeItem, "0");
        if (bus_.close) bus_.close();
    } else if (serial_) {
        if (failed_ && writeModeOn_ && serial_->isOpen() && Exchange("G00\r", "COK")) SelectAndWrite(kModeItem, "0");
        serial_->CloseComPort();
    }
    writeModeOn_ = false;
    step_ = kIdle;
}

}  // namespace kravin::online
