// The ladder grid of one sequence group and the state the ladder editor shares.
#pragma once

#include <cstdint>

#include "step_codes.h"

namespace kravin::ladder {

constexpr int kLadderRows = 89;
constexpr int kLadderCols = 8;
constexpr int kCoilCol = 8;   // cursor column of the coils
constexpr int kCoilLineBit = 7;

// Cell values.
constexpr int32_t kCellEmpty = -2;
constexpr int32_t kCellWire = -1;
// Coil values.
constexpr int32_t kCoilNone = 0;
constexpr int32_t kCoilWire = -1;

constexpr int ValueKind(int32_t v) { return v / 10000; }
constexpr int ValueBlock(int32_t v) { return (v % 10000) / 100; }
constexpr int ValueTerminal(int32_t v) { return v % 100; }
constexpr int32_t MakeValue(int kind, int kk, int nn) { return kind * 10000 + kk * 100 + nn; }
constexpr int32_t MakeStepValue(int step) { return 130000 + step; }
constexpr int32_t MakeTimerValue(int kind, int seconds) { return 140000 + kind * 1000 + seconds; }

// A cell holding a contact (kinds 1..6).
constexpr bool IsContact(int32_t v) { return v >= 10000 && v < 70000; }
constexpr bool IsStepCell(int32_t v) { return v >= 130000 && v < 140000; }
constexpr bool IsTimerCell(int32_t v) { return v >= 140000 && v < 150000; }
// Odd kinds are drawn and evaluated as normally open.
constexpr bool IsNormallyOpen(int32_t v) { return ValueKind(v) % 2 == 1; }
constexpr bool IsOutputCoil(int32_t v) { return v >= 70000 && v < 130000; }

struct LadderGrid {
    int32_t g_ladderCells[kLadderRows][kLadderCols];
    int32_t g_ladderCoils[kLadderRows];
    uint8_t g_ladderLinks[kLadderRows];

    LadderGrid() { Clear(); }
    void Clear();   // cells empty, coils 0, no lines
    bool operator==(const LadderGrid&) const = default;

    int32_t& Cell(int r, int c) { return g_ladderCells[r][c]; }
    int32_t Cell(int r, int c) const { return g_ladderCells[r][c]; }
    // Line at the right edge of column bit from row r down to row r + 1.
    bool Link(int r, int bit) const
    {
        return r >= 0 && r < kLadderRows && bit >= 0 && bit < 8 && (g_ladderLinks[r] >> bit) & 1;
    }
    void SetLink(int r, int bit, bool on)
    {
        if (on) g_ladderLinks[r] = static_cast<uint8_t>(g_ladderLinks[r] | (1u << bit));
        else g_ladderLinks[r] = static_cast<uint8_t>(g_ladderLinks[r] & ~(1u << bit));
    }
    // No element, wire or coil on the row.
    bool RowEmpty(int r) const;
    // Last row of the rung that starts at row r (rows joined by link bytes).
    int RungEnd(int r) const;
};

struct GridPos {
    int row = 0;
    int col = 0;
    bool operator==(const GridPos&) const = default;
};

struct LadderClipRows {
    int count = 0;   // 0 = empty
    int firstRow = 0;
    int32_t cells[kLadderRows][kLadderCols]{};
    int32_t coils[kLadderRows]{};
    uint8_t links[kLadderRows]{};
};

struct LadderMonitorValues {
    int16_t cells[kLadderRows][kLadderCols]{};
    int16_t coils[kLadderRows]{};
    int16_t activeStep = 0;
};

// Shared state of the ladder editor for the group being edited.
struct LadderContext : LadderGrid {
    GridPos g_ladderCursor;
    int g_ladderScrollRequest = 0;
    bool g_ladderShowComments = false;
    bool g_ladderEdited = false;
    int g_seqGroup = -1;
    int g_seqSelectedStep = -2;
    StepTable g_stepTableBackup;
    GridPos g_ladderErrorPos;
    LadderClipRows g_ladderClipRows;
    LadderMonitorValues g_ladderMonitorValues;

    LadderGrid& Grid() { return *this; }
    const LadderGrid& Grid() const { return *this; }
};

}  // namespace kravin::ladder
