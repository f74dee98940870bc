// What the online monitor reads from the project model and the shell.
#pragma once

#include "monitor_file.h"

#include <array>
#include <bitset>
#include <cstdint>
#include <memory>
#include <string>

namespace kravin::online {

constexpr int kMonitorBlocks = 100;
constexpr int kMonitorItems = 100;
constexpr int kMonitorStations = 64;
constexpr int kMonitorSlots = 18;      // slot 0 the station, 1..16 cards 0..15, 17 not used
constexpr int kMonitorTerminals = 16;
constexpr int kLadderRows = 89;
constexpr int kLadderCells = 8;
constexpr std::uint8_t kNotMonitored = 0xFF;

// Open windows as the monitor needs to know them.
struct MonitorViews {
    bool analogOpen = false;     // analog terminal connection view open, its window exists
    bool commOpen = false;       // communication terminal connection view open
    bool ladderOpen = false;     // ladder view open, its window exists
    bool framesClosing = false;  // the shell is closing its frames: no registry redraw
    bool ht9Open = false;        // HT-9 simulation window open: it keeps the serial port
};

// A unit as the monitor talks to it.
struct MonitorUnitInfo {
    bool exists = false;       // the project holds a unit here (station or card kind set)
    int station = 0;           // 0..63
    int card = -1;             // -1 the station itself, 0..15 the cards
    std::string model;         // model name (8 characters, blank padded, or shorter)
    std::string recordText;    // the 5-byte record text (bytes; may hold binary 0 and 1)
    std::string unitId;        // 4-character unit ID (group 0 item 52): the frame address
    bool irCard = false;       // listed in the IR card table: item reads go framed
    std::bitset<kMonitorBlocks> blocks;  // block numbers the unit holds
};

// The analog monitor plan of the current unit: one row per block number.
struct AnalogMonitorPlan {
    struct Row {
        std::uint8_t blockFlag = kNotMonitored;                // 255 = not monitored
        std::array<std::uint8_t, kMonitorItems> itemFlags{};   // 255 = not monitored
        std::array<std::int32_t, kMonitorItems> redirect{};    // group × 100 + item to read instead, -1 none
        Row() { itemFlags.fill(kNotMonitored); redirect.fill(-1); }
    };
    int station = -1;  // the unit these rows belong to (card -1 the station, 0..15 cards)
    int card = -1;
    std::array<Row, kMonitorBlocks> rows{};
};

// Used slots and terminal kinds of the communication monitor table.
struct CommMonitorPlan {
    struct Slot {
        bool used = false;
        std::array<std::uint8_t, kMonitorTerminals> kinds{};  // 1, 2 digital; 3, 4 analog; 0 none
    };
    std::array<std::array<Slot, kMonitorSlots>, kMonitorStations> slots{};
};

// One int16 per ladder contact (89 rows × 8 cells) and per coil (89 rows), all -1 at first.
struct LadderCells {
    std::array<std::array<std::int16_t, kLadderCells>, kLadderRows> contacts;
    std::array<std::int16_t, kLadderRows> coils;
    LadderCells()
    {
        for (auto& row : contacts) row.fill(-1);
        coils.fill(-1);
    }
};

// The ladder's monitored unit and the addresses (group × 100 + item, -1 none) of its
// contacts and coils.
struct LadderMonitorPlan : LadderCells {
    bool valid = false;  // false: no unit to monitor (no kind in the system configuration)
    MonitorUnitInfo unit;
    int group = -1;      // block number of the monitored sequential block
};

// Everything the monitor cycles and the monitor-target file read from the model and the
// shell. The worker calls Views, ProjectOpen, CurrentUnit, UnitAt, AnalogPlan, CommPlan and
// StartUnitMonitor from its own thread: they must be safe to call there and return copies
// or immutable snapshots. None of them may select another unit in the project file
// library's image, or must restore the image exactly before returning.
class MonitorContext {
public:
    virtual ~MonitorContext() = default;

    virtual MonitorViews Views() const = 0;
    virtual bool ProjectOpen() const = 0;
    // The current unit (the analog section's unit).
    virtual MonitorUnitInfo CurrentUnit() const = 0;
    // Any unit of the project (the registry target), card -1 for the station.
    virtual MonitorUnitInfo UnitAt(int station, int card) const = 0;
    // Null when there is nothing to monitor.
    virtual std::shared_ptr<const AnalogMonitorPlan> AnalogPlan() const = 0;
    virtual std::shared_ptr<const CommMonitorPlan> CommPlan() const = 0;
    // Makes the current unit the ladder's monitored unit and returns its tables.
    virtual LadderMonitorPlan StartUnitMonitor() = 0;
    // Called on the user-interface thread: when a project is open, loads the blocks of the
    // target unit (targets.station, targets.card), sets every row's resolved item (-1 when
    // the row's block is no block of the unit) and reloads the current unit's blocks when
    // the function block list view is open.
    virtual void ApplyMonitorTarget(MonitorTargets& targets) = 0;
    // The user's application-data folder; empty for the platform's default.
    virtual std::string GetAppDataDir() const = 0;
};

}  // namespace kravin::online
