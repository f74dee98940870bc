// The online monitor: the worker's loop, the serial and bus cycles, the result tables and
// the monitor-target file, held by one online-state object. No Qt here; the worker thread
// and its signals live in monitor_worker.h.
#pragma once

#include "monitor_context.h"
#include "monitor_file.h"

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace kravin::online {

class SerialLink;

// Cyclic-data address of a terminal value: station << 14 | card << 9 | point << 5 | sub,
// each argument masked to its low 24 bits first.
constexpr int PackMonitorAddress(int station, int card, int point, int sub)
{
    constexpr unsigned kMask = 0xFFFFFF;
    return static_cast<int>(((static_cast<unsigned>(station) & kMask) << 14) |
                            ((static_cast<unsigned>(card) & kMask) << 9) |
                            ((static_cast<unsigned>(point) & kMask) << 5) | (static_cast<unsigned>(sub) & kMask));
}

// Item address of a unit for rw_dcs_items: station << 5 | card, the station's six bits
// only. The station itself (card -1) has the card field 0, so no address is negative.
constexpr int BusItemAddress(int station, int card)
{
    const unsigned field = card < 0 ? 0u : static_cast<unsigned>(card) & 31u;
    return static_cast<int>(((static_cast<unsigned>(station) & 63u) << 5) | field);
}

// The leading decimal integer of a text (optional sign; none gives 0; saturating).
int LeadingInteger(std::string_view text);

// A monitored value text as a number: every "." removed, then the leading decimal integer
// (optional sign; none gives 0; saturating).
int ParseMonitorValue(std::string_view text);

enum class OnlineLink { Serial = 0, Bus = 1 };

// Message ids of the texts the monitor produces.
constexpr int kMsgOutOfRange = 9104;     // "Out of range"
constexpr int kMsgNoDestination = 9105;  // "No destination"
constexpr int kMsgPuCommError = 9205;    // "Error occurred in PU mode communication."
constexpr const char* kTextOutOfRange = "Out of range";
constexpr const char* kTextNoDestination = "No destination";
constexpr std::size_t kRowTextSize = 22;  // data text of a registry row, terminator included
constexpr int kMaxRegistryGroup = 80;

// Where a registry row reads from: a group and item, or the message of why it can't.
struct RegistryDestination {
    int messageId = 0;  // 0: read group/item; else kMsgOutOfRange or kMsgNoDestination
    int group = -1;
    int item = -1;
};
RegistryDestination ResolveRegistryRow(const MonitorTargetRow& row, bool projectOpen, const MonitorUnitInfo& target);

// The value written to group 0 item 0 to select a unit before talking to it, or nothing
// when its model needs no selection. `registry` picks the registry section's rule for the
// two-slot cards.
std::optional<std::string> UnitSelectValue(const MonitorUnitInfo& unit, bool registry);

// Told by the worker after each section and when a run has ended. Called on the worker's
// thread; must not block.
class MonitorNotices {
public:
    virtual ~MonitorNotices() = default;
    virtual void DentanRedraw() {}             // 40602 "M Dentan Redraw"
    virtual void AnatanRedraw() {}             // 40603 "M Anatan Redraw"
    virtual void MonRedraw() {}                // 40604 "M Mon Redraw"
    virtual void OnlineStop() {}               // 40605 "M Online Stop"
    virtual void LadderRedraw() {}             // 40606 "M Ladder Redraw"
    virtual void CommunicationError(int) {}    // a serial cycle failed: show the message id
};

// Result tables. Each section publishes a fresh immutable copy of its table.
struct AnalogValues {
    int station = -1;  // unit of the plan the values belong to
    int card = -1;
    std::array<std::array<std::int32_t, kMonitorItems>, kMonitorBlocks> values{};
    // Whether the item was read since the plan's unit was adopted.
    std::array<std::array<bool, kMonitorItems>, kMonitorBlocks> held{};
};

struct CommValues {
    struct Terminal {
        std::int16_t first = 0;
        std::int16_t second = 0;
        bool held = false;  // read at least once
    };
    std::array<std::array<std::array<Terminal, kMonitorTerminals>, kMonitorSlots>, kMonitorStations> slots{};
};

struct RegistryRowText {
    int messageId = 0;  // 0: text is the value read; else the id of the text
    std::string text;   // at most kRowTextSize - 1 bytes
};

struct RegistryValues {
    std::array<RegistryRowText, kMonitorRows> rows{};
};

// Values of the monitored contacts and coils (0 off, 1 on, -1 no value).
struct LadderValues : LadderCells {
    std::int16_t item3 = -1;  // items 3 and 6 of the monitored group
    std::int16_t item6 = -1;
};

struct MonitorResults {
    std::shared_ptr<const AnalogValues> analog;
    std::shared_ptr<const CommValues> comm;
    std::shared_ptr<const RegistryValues> registry;
    std::shared_ptr<const LadderValues> ladder;
};

// What the shell's monitor start hands over.
struct MonitorStart {
    OnlineLink link = OnlineLink::Serial;
    std::string portName;  // serial: the allocated port
    int baudIndex = 1;     // serial: the card kind's baud index
};

class OnlineState {
public:
    OnlineState(std::shared_ptr<MonitorContext> context, std::shared_ptr<SerialLink> link);
    OnlineState(const OnlineState&) = delete;
    OnlineState& operator=(const OnlineState&) = delete;

    // Control flags shared by the user-interface side and the worker. Whoever changes
    // MonitorThreadAlive or MonitorActive directly calls Wake() afterwards.
    std::atomic<std::uint8_t> MonitorThreadAlive{0};
    std::atomic<std::uint8_t> MonitorActive{0};
    std::atomic<int> MonitorCycleRan{0};
    std::atomic<std::uint8_t> OnlineLinkOpen{0};
    std::atomic<int> LadderMonitorState{0};  // 0 off, 1 started, 2 ladder monitoring prepared
    std::atomic<int> RegMonitorOn{0};
    std::atomic<int> MonitorSpeed{0};        // "MON_SPEED": 0 slow (1000 ms), other fast (100 ms)
    std::atomic<int> OnlineDestination{0};   // "ONLINE": 0 serial, 1 bus

    // Where notices go (null: nowhere). Returns after any notice in progress has finished.
    void SetNotices(MonitorNotices* notices);
    // Wakes the worker's waits to look at the flags again.
    void Wake();

    // The online half of the shell's monitor start: opens the serial port, or cycles the
    // bus, then sets MonitorActive, OnlineLinkOpen and LadderMonitorState. -1, with no flag
    // changed, when the serial port doesn't open; else 0 (a bus not ready yet is waited for
    // by the cycles).
    int StartMonitor(const MonitorStart& start);
    // Stop: MonitorActive := 0, LadderMonitorState := 0.
    void StopMonitorThreadFlags();
    // The link half of "M Online Stop": closes the bus, or the serial port unless the HT-9
    // simulation holds it, and clears OnlineLinkOpen. Does nothing while a new run is active.
    void OnOnlineStop();
    // Program end: clears MonitorActive and MonitorThreadAlive and wakes the worker.
    void RequestWorkerStop();

    // The worker's body: returns once MonitorThreadAlive is cleared, the link closed.
    void MonitorThreadProc();
    // One cycle: 0, or -1 when an exchange failed.
    int SerialMonitorCycle();
    void BusMonitorCycle();

    // MON.KRAB in the application-data folder. 1 loaded or created, 0 on a file error (the
    // image keeps its content); both run ApplyMonitorTarget after a load.
    int LoadMonitorFile();
    int SaveMonitorFile();
    void ApplyMonitorTarget();
    // The context's folder, else the fallback folder; empty when there is neither.
    std::filesystem::path MonitorFilePath() const;
    void SetAppDataFallback(std::string folder);
    MonitorFileOutcome LastMonitorFileOutcome() const;

    MonitorTargets Targets() const;
    void SetTargets(const MonitorTargets& targets);

    MonitorResults Results() const;

    // Waits of the serial exchanges (fast / slow).
    struct Waits {
        std::chrono::milliseconds afterCommandSlow{10}, afterCommandFast{0};
        std::chrono::milliseconds afterValueSlow{5}, afterValueFast{1};
        std::chrono::milliseconds cycleSlow{1000}, cycleFast{100};
        std::chrono::milliseconds afterRun{500};
    };
    void SetWaits(const Waits& waits);

private:
    enum class ReadStatus { Value, NotValue, Skipped, Failed };

    bool Running() const;
    bool Fast() const { return MonitorSpeed.load() != 0; }
    // Waits up to d; false as soon as the monitor is no longer running.
    bool Pause(std::chrono::milliseconds d);
    void WaitAfterRun();
    template <class F>
    void Notify(F&& f);
    void CloseLink();

    // Serial exchanges.
    int Exchange(std::string_view command, char* reply, int maxLength, const MonitorUnitInfo* framedFor);
    bool SelectUnit(const MonitorUnitInfo& unit, bool registry);
    ReadStatus SerialSelectGroup(int group, const MonitorUnitInfo& unit);
    ReadStatus SerialReadSelected(int item, const MonitorUnitInfo& unit, std::string& reply);
    ReadStatus SerialReadItem(int group, int item, const MonitorUnitInfo& unit, std::string& reply);
    int SerialAnalogSection(const AnalogMonitorPlan& plan, const MonitorUnitInfo& unit);
    // Rows without a destination get their message; the others go to read(row, destination),
    // whose -1 ends the walk with -1.
    template <class Read>
    int WalkRegistryRows(const MonitorTargets& targets, const MonitorUnitInfo& unit, bool projectOpen, Read&& read);
    int SerialRegistrySection(bool projectOpen);
    int SerialLadderSection();

    // Bus requests.
    std::optional<std::string> BusRead(int address, int group, int item);
    void BusCommSection(const CommMonitorPlan& plan);
    void BusAnalogSection(const AnalogMonitorPlan& plan, const MonitorUnitInfo& unit);
    void BusRegistrySection(bool projectOpen);
    void BusLadderSection();

    bool PrepareLadder();
    void AdoptAnalogPlan(const AnalogMonitorPlan& plan);
    void PublishAnalog();
    void PublishComm();
    void PublishRegistry(bool framesClosing);
    void PublishLadder();
    void SetRowMessage(int row, int messageId);

    std::shared_ptr<MonitorContext> context_;
    std::shared_ptr<SerialLink> link_;

    std::mutex noticesMutex_;
    MonitorNotices* notices_ = nullptr;

    std::mutex waitMutex_;
    std::condition_variable wake_;

    mutable std::mutex waitsMutex_;
    Waits waits_;

    mutable std::mutex targetsMutex_;
    MonitorTargets targets_ = FreshMonitorTargets();
    std::string appDataFallback_;
    MonitorFileOutcome fileOutcome_;

    mutable std::mutex resultsMutex_;
    MonitorResults results_;

    // Working tables, touched only by the thread running the cycles.
    AnalogValues analog_;
    CommValues comm_;
    RegistryValues registry_;
    LadderValues ladder_;
    LadderMonitorPlan ladderPlan_;
};

}  // namespace kravin::online
