// The Function Block Setting dialog without its window: the grid's rows in item
// and terminal mode, which cells may be edited and which key starts an edit,
// the checks behind OK and Cancel, and the rebuild of a unit's groups from the
// saved group records after its device kind changed.
#pragma once

#include "current_unit.h"
#include "group_records.h"
#include "prompt.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace kravin::editors::blocks {

constexpr int kSettingColumns = 6;
constexpr int kValueColumn = 3;
constexpr std::size_t kItemInputMax = 32;   // what the value cell is read with
constexpr std::size_t kTermCommentBytes = 20;

// Column widths in twips, as the grid lays them out.
inline constexpr std::array<int, kSettingColumns> kSettingColumnTwips = {550, 4000, 680, 1800, 600, 7800};
constexpr int kSettingRowTwips = 300;

struct SettingRow {
    int index = 0;  // item or terminal number
    std::array<std::string, kSettingColumns> cells;  // CP932
    bool locked = false;  // the value cell refuses editing (item 10)
};

// Text cut to at most maxBytes bytes, never ending in half a double-byte
// character (a lone lead byte at the end is dropped too).
std::string fitCp932(std::string_view text, std::size_t maxBytes);

// The range column of an item: the quoted part of its name, else the range
// text with '"' opening a quote as '=', the closing one dropped, ';' as ','
// and '_' as rangeDash.
std::string rangeColumnText(std::string_view name, std::string_view range, std::string_view rangeDash);
// The name without its quoted parts (at most 127 characters).
std::string nameColumnText(std::string_view name);
// A key typed on the grid starts an edit with that character (0x20..0x7E only).
inline bool keyStartsEdit(int ch) { return ch >= 0x20 && ch <= 0x7E; }

// What the dialog asks of the rest of the tool.
class BlockSettingHost {
public:
    virtual ~BlockSettingHost() = default;
    virtual void setModified() = 0;
    // The analog wiring view is open: its blocks are read again after OK.
    virtual void analogViewChanged() {}
};

class BlockSettingEditor {
public:
    // The group's definition and values are loaded (LoadBlockItemList).
    BlockSettingEditor(model::UnitContext& unit, model::Prompt& prompt, res::Language language,
                       BlockSettingHost& host);

    // Item mode (0) or terminal mode (1), as the unit's edit mode holds it.
    int mode() const { return unit_.g_blockEditMode; }
    const std::vector<SettingRow>& rows() const { return rows_; }
    // Column headers (UTF-8) in the dialog's language.
    std::array<std::string, kSettingColumns> headers() const;
    std::string groupText() const;  // "%02d" of the group as held
    std::string markText() const;   // "SEQ(95)"
    std::string nameText() const;   // the block's name
    bool itemButtonEnabled() const { return mode() == 1 && unit_.itemCount > 0; }
    bool terminalButtonEnabled() const { return mode() == 0 && unit_.terminalCount > 0; }

    bool cellEditable(int row, int column) const;
    // The value cell of a row (bytes as typed; the terminal comment is cut to its 20 bytes).
    void setValue(int row, std::string value);
    std::size_t valueLimit() const { return mode() == 1 ? kTermCommentBytes : kItemInputMax; }

    // Checks every value cell; -1 and the row of the refused item (messages shown).
    int validate(int* badRow = nullptr);
    // The value cells into the group's item and terminal slots.
    void collect();
    // OK: 0 the dialog ends with OK; -1 it stays open (badRow as validate).
    int accept(int* badRow = nullptr);
    // Cancel: true when the dialog may end (asks when anything changed).
    bool cancel();
    // The mode buttons; false when the check kept the mode.
    bool showTerminals(int* badRow = nullptr);
    bool showItems();
    // Something differs from the values the dialog opened with.
    bool changed() const;

private:
    void fill();
    int group() const { return unit_.g_curGroup; }
    std::string_view itemType(int item) const;
    bool ask(int id, int item, std::string_view value);
    int checkSequence();
    int checkReferences();
    int checkTqrcFlags();

    model::UnitContext& unit_;
    model::Prompt& prompt_;
    res::Language language_;
    BlockSettingHost& host_;
    std::vector<SettingRow> rows_;
};

// Rebuilds the groups of the current unit whose old codes were saved before a
// device change, from the saved group records. Each rebuilt group starts from
// its defaults; a group without a saved record keeps them. The last library
// result.
int RebuildBlockTerminals(model::UnitContext& unit, model::Prompt& prompt, const model::SavedGroupRecords& saved);

}  // namespace kravin::editors::blocks
