// Writing a date and time into a station's clock, step by step, over the serial link or
// the bus. No Qt: the clock dialog runs it in a worker, tests run it with no waits.
#pragma once

#include "bus_api.h"
#include "monitor_engine.h"

#include <chrono>
#include <functional>
#include <string>

namespace kravin::online {

class SerialLink;

struct ClockDateTime {
    int year = 2005, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

// Message ids of the clock setting.
constexpr int kMsgCommunicationError = 8300;  // "Communication error"
constexpr int kMsgInvalidDate = 9293;         // "The date and time are not valid."

// Days of a month of the Gregorian calendar (0 for a month outside 1..12).
int DaysInMonth(int year, int month);
// Year 2004..2099, a day that the month has, hour 0..23, minute and second 0..59.
bool ValidClockDate(const ClockDateTime& t);

// "STATION  2A": the station as two upper-case hexadecimal digits.
std::string ClockStationLabel(int station);

struct ClockTiming {
    std::function<void(std::chrono::milliseconds)> sleep;  // null: no waits
    std::chrono::milliseconds afterCommand{30};             // before a reply is read
    std::chrono::milliseconds betweenSteps{200};
};

class ClockSetter {
public:
    static constexpr int kIdle = 0;
    static constexpr int kLastStep = 8;
    static constexpr int kFinishing = 100;

    struct Setup {
        OnlineLink link = OnlineLink::Serial;
        std::string portName;  // serial: the allocated port
        int baudIndex = 1;
        int station = 0;       // the station whose clock is set (card field 0 on the bus)
        ClockDateTime time;
    };

    ClockSetter(SerialLink* serial, BusApi bus, ClockTiming timing);

    // Starts a run: 0, or the message id when the run cannot start (kMsgInvalidDate; a run
    // in progress gives -1).
    int Start(const Setup& setup);
    // Performs one step and returns the step that follows (kIdle once the run is over).
    int Step();
    // Runs every remaining step; progress(step) is told before each.
    void Run(const std::function<void(int step)>& progress = {});

    int step() const { return step_; }
    bool running() const { return step_ != kIdle; }
    // The last run failed (the link was closed again).
    bool failed() const { return failed_; }
    // The step that failed, 0 when none.
    int failedStep() const { return failedStep_; }

private:
    bool RunStep(int step);
    bool SerialStep(int step);
    bool BusStep(int step);
    // Sends a plain command and reads the reply; true when the reply begins with expect.
    bool Exchange(const std::string& command, const char* expect);
    bool SelectAndWrite(int item, const std::string& value);
    bool BusReady();
    bool BusWrite(int item, const std::string& value);
    void Finish();
    void Wait(std::chrono::milliseconds d) const;

    SerialLink* serial_;
    BusApi bus_;
    ClockTiming timing_;
    Setup setup_;
    int step_ = kIdle;
    bool failed_ = false;
    int failedStep_ = 0;
    bool writeModeOn_ = false;  // write mode may be on in the controller
};

}  // namespace kravin::online
