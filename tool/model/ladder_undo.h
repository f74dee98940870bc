// Undo store of the ladder view: one row, one element's terminal data, one
// inserted or deleted row, or a block of cut or pasted rows per edit.
#pragma once

#include "undo_store.h"
#include "unit_files.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kravin::model {

constexpr int kLadderRows = 89;
constexpr int kLadderColumns = 8;
constexpr int kLadderCoilColumn = 8;  // the cursor column of the output cell
constexpr std::int32_t kLadderEmptyCell = -2;

// One ladder row: its 8 cells, its output cell and its vertical-link byte.
struct LadderRow {
    std::array<std::int32_t, kLadderColumns> cells{};
    std::int32_t coil = 0;
    std::uint8_t link = 0;
    friend bool operator==(const LadderRow&, const LadderRow&) = default;
};

// The ladder grid, cursor and row clipboard as the store reaches them.
class LadderUndoHost {
public:
    virtual ~LadderUndoHost() = default;
    virtual int station() const = 0;  // the unit whose terminals the elements name
    virtual int card() const = 0;
    virtual std::string workFolder() const = 0;
    virtual int scrollRequest() const = 0;  // g_ladderScrollRequest
    virtual int cursorColumn() const = 0;   // g_ladderCursor
    virtual int cursorRow() const = 0;
    virtual void setView(int scrollRequest, int column, int row) = 0;
    virtual LadderRow row(int r) const = 0;
    virtual void setRow(int r, const LadderRow& row) = 0;
    virtual std::vector<LadderRow> clipRows() const = 0;  // g_ladderClipRows
};

struct LadderImage {
    int kind = 0;
    int station = 0, card = 0;
    int scroll = 0, column = 0, row = 0;
    LadderRow current;                 // the cursor row
    std::uint8_t linkAbove = 0;        // link byte of the row above it
    int block = -1, terminal = -1;     // element of kinds 3/4
    std::array<char, kTermBytes> term{};
    int first = 0;                     // row blocks of kinds 7/8
    std::vector<LadderRow> rows;
    int at() const { return scroll + row; }
};

class CLadderUndo : public SnapshotStore<LadderImage> {
public:
    explicit CLadderUndo(LadderUndoHost& host) : host_(host) {}

    void Clear() { clearHistory(); }

    // 2/1 cell edit, 4/3 terminal data of the element under the cursor,
    // 5 row inserted, 6 row about to be deleted, 7 rows cut (first row given,
    // else the cursor row), 8 rows pasted at the cursor row.
    bool Record(int kind, int firstRow = -1);

protected:
    bool restoreEntry(const LadderImage& image, bool undo) override;

private:
    LadderImage capture(int kind) const;
    void deleteRow(int r);
    void insertRow(int r, const LadderRow& saved, std::uint8_t linkAbove);
    void deleteRows(int first, int count);
    void insertRows(int first, const std::vector<LadderRow>& rows);

    LadderUndoHost& host_;
};

}  // namespace kravin::model
