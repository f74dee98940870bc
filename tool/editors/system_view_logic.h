// The system configuration view without its window: cell geometry at a zoom,
// hit tests, the current unit of a cell, the click and redraw state, the cell
// texts, the context menu as a list of command ids and the Edit enable rules.
#pragma once

#include "system_config.h"

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kravin::editors {

// Commands of the view's menus.
namespace syscmd {
constexpr int Separator = 0;
constexpr int ChangeDevice = 40400;
constexpr int FunctionBlockListText = 40401;
constexpr int RestoreCard = 40402;
constexpr int BulkPasteV8rtu = 40403;
constexpr int Upload = 40404;
constexpr int Download = 40405;
constexpr int NetworkUpload = 40406;
constexpr int NetworkDownload = 40407;
constexpr int DateSetting = 40408;
constexpr int ChangeCardCount = 40409;
constexpr int BulkCopyV8rtu = 40410;
constexpr int RemoveDevice = 40411;
constexpr int CardBackup = 40412;
constexpr int Paste = 40413;
constexpr int Move = 40416;
constexpr int Copy = 40417;
constexpr int PrintAllCards = 40418;
constexpr int NetworkHt9 = 40419;
constexpr int Compare = 40471;
constexpr int NetworkCompare = 40472;
constexpr int ChangeId = 40477;
constexpr int SelectVersion = 40478;
constexpr int SynchronizeVersion = 40479;
constexpr int SystemRedraw = 40600;
constexpr int ViewBlockList = 32900;
constexpr int ViewAnalog = 32901;
constexpr int ViewSequential = 32877;
constexpr int EditDelete = 32872;
constexpr int EditCut = 32893;
constexpr int EditCopy = 32894;
constexpr int EditPaste = 32895;
constexpr int EditUndo = 32896;
constexpr int EditRedo = 32897;
}  // namespace syscmd

// The string shown for a menu command (a few show another string than their own).
int MenuTextId(int command, std::string_view model);

// ---- Geometry (unzoomed units unless told) ----

constexpr int kRows = model::kStations;
constexpr int kColumns = model::kCardSlots + 1;  // 0 = the station, j = card j
constexpr int kCellWidth = 44;
constexpr int kCellHeight = 38;
constexpr int kContentWidth = 828;
constexpr int kContentHeight = 2853;
constexpr int kCardAreaLeft = 85;

inline int cellLeft(int column) { return column == 0 ? 32 : 46 * column + 40; }
inline int cellTop(int row) { return 28 + 44 * row; }

struct Cell {
    int station = -1;
    int card = -1;  // 0 = the station itself, 1..16 = card
    bool valid() const { return station >= 0 && card >= 0; }
    bool operator==(const Cell&) const = default;
};

struct IntPoint {
    int x = 0, y = 0;
};
struct IntRect {
    int x = 0, y = 0, width = 0, height = 0;
};

// Zoom factor of a zoom percentage; a percentage outside 10..1000 counts as 100.
double zoomOfPercent(int percent);
int toZoomed(int value, double zoom);
// Point or size divided by the zoom, truncated.
IntPoint fromZoomed(IntPoint point, double zoom);
// The scrollable size at a zoom (truncated).
IntPoint scrollSize(double zoom);

// The cell under an unzoomed content point: both edges of a cell hit it, the
// gaps hit nothing. Invalid cell on a miss.
Cell hitTestContent(IntPoint content);
// The same for a viewport point at a zoom and scroll position.
Cell hitTestView(IntPoint view, IntPoint scroll, double zoom);
// The inner rectangle the drag highlight fills, in viewport pixels.
IntRect highlightRect(Cell cell, IntPoint scroll, double zoom);
// The rectangle of a cell in zoomed content pixels (for repaints).
IntRect cellRect(Cell cell, double zoom);
// Drop side tests of the palette (y must lie within the viewport height).
bool isLeftOfCardArea(IntPoint view, int scrollX, int viewportHeight, double zoom);
bool isInCardArea(IntPoint view, int scrollX, int viewportHeight, double zoom);

// Row label "00".."3F", column label "0".."F" for card column j (j - 1).
std::string stationLabel(int station);
std::string cardLabel(int column);

// ---- Current unit ----

struct CurrentUnit {
    int station = -1;
    int card = -1;
    std::string model;     // 8 characters blank padded, empty when nothing placed
    std::string unitText;  // the unit's 5-character text
    std::string version;   // first 4 characters of the version text
    Cell cell() const { return {station, card}; }
};

// What the unit at station/card holds (the selection rule of the current unit).
CurrentUnit DescribeUnit(const model::CardKindMasters& masters, const model::SystemConfigTables& tables,
                         int station, int card);
bool unitPlaced(const model::SystemConfigTables& tables, Cell cell);

// The view's hold on the tool's current unit. The real one is the project
// model's current-unit service; TableUnitSelection serves until it lands.
class UnitSelection {
public:
    virtual ~UnitSelection() = default;
    virtual CurrentUnit current() const = 0;
    // Makes station/card the current unit (-1/-1 for none) and describes it.
    virtual void select(int station, int card) = 0;
    // Puts a remembered unit back as it was.
    virtual void restore(const CurrentUnit& unit) = 0;
    // Loads the block tables of the current unit.
    virtual void loadUnitBlocks() = 0;
};

class TableUnitSelection : public UnitSelection {
public:
    TableUnitSelection(const model::CardKindMasters& masters, const model::SystemConfigTables& tables)
        : masters_(masters), tables_(tables)
    {
    }
    CurrentUnit current() const override { return unit_; }
    void select(int station, int card) override;
    void restore(const CurrentUnit& unit) override { unit_ = unit; }
    void loadUnitBlocks() override
    {
        if (onLoadBlocks) onLoadBlocks();
    }
    std::function<void()> onLoadBlocks;

private:
    const model::CardKindMasters& masters_;
    const model::SystemConfigTables& tables_;
    CurrentUnit unit_;
};

// ---- Model name tests (8-character blank-padded names) ----

bool modelIs(std::string_view model, std::string_view prefix);
bool isTwoSlotModel(std::string_view model);  // QV200W, QV210W
// The right-hand slot of a two-slot card: the unit text's first byte is 1.
bool isSecondHalf(std::string_view unitText);
// Communication cards and their virtual cards: no block list.
bool hasBlockList(std::string_view model);

// ---- Clicks ----

// The selection a click leaves and the copy the view keeps to restore it.
class ClickTracker {
public:
    struct Result {
        bool hit = false;         // the click hit a cell: repaint
        bool repaintNow = false;  // second click on the saved cell: immediate full repaint
    };
    // Left button down on cell (invalid for a miss); sel is the current unit service.
    Result press(Cell cell, UnitSelection& sel);
    // Double click: selects and saves the cell like a press; true when it hit.
    bool select(Cell cell, UnitSelection& sel);
    // Before drawing: puts the saved copy back when nothing is selected.
    void restoreIfUnselected(UnitSelection& sel) const;
    void reset() { saved_ = CurrentUnit{}; }
    const CurrentUnit& saved() const { return saved_; }

private:
    CurrentUnit saved_;
};

enum class DoubleClickAction { None, OpenBlockList, ChangeDevice };
DoubleClickAction doubleClickAction(const CurrentUnit& unit, bool placed);

// ---- Redraw protocol of the view slot ----

enum SlotStateValue { SlotClosed = 0, SlotOpening = 1, SlotOpen = 2, SlotRedraw = 3, SlotRedrawFill = 4 };

struct DrawDecision {
    bool draw = false;
    bool fill = false;
};
// What a paint does in the given slot state (the document being the remembered one).
DrawDecision drawDecision(int slotState, bool sameDocument);
// The state after the paint.
int stateAfterDraw(int slotState);
// The erase step: a request without fill that comes with an erase turns into one with fill.
int stateAfterErase(int slotState);

// ---- Cell texts ----

// Display forms shown instead of some card names (name cut at its blank -> 6 characters).
using DisplayNameTable = std::vector<std::pair<std::string, std::string>>;

// The two lines of an occupied cell (CP932 bytes); empty for an empty cell.
struct CellText {
    std::string name;
    std::string version;
};
CellText cellText(const model::CardKindMasters& masters, const model::SystemConfigTables& tables, Cell cell,
                  const DisplayNameTable& displayNames);

// Largest font height from start down to minimum whose text width stays below
// limit; width(h) measures the text at height h. Stops at minimum.
int fitFontHeight(int start, int minimum, int limit, const std::function<int(int)>& width);

// ---- Context menu and Edit rules ----

// Clipboard formats of the system view present on the clipboard.
enum ClipFormat : unsigned {
    ClipCard = 1,      // "KRAV3 system data"
    ClipStation = 2,   // "KRAV3 system data2"
    ClipQv200w = 4,    // "KRAV3 system data3"
    ClipQv210w = 8,    // "KRAV3 system data4"
};
inline constexpr const char* kClipFormatNames[4] = {"KRAV3 system data", "KRAV3 system data2",
                                                      "KRAV3 system data3", "KRAV3 system data4"};

struct MenuContext {
    Cell cell;                 // the hit cell (valid)
    bool placed = false;       // a kind is placed there
    std::string model;         // current model after selection
    std::string unitText;      // its unit text
    unsigned clipboard = 0;    // ClipFormat bits present
    bool workRecordHasCard = false;  // a card image was captured for Move/Copy
    bool online = false;
    bool registryMonitorActive = false;
};

// The popup's command ids in order; syscmd::Separator stands for a separator.
// Empty when no menu is shown.
std::vector<int> contextMenuCommands(const MenuContext& ctx);

struct EditContext {
    Cell cell;  // the current unit (invalid: nothing enabled)
    bool placed = false;
    std::string model;
    std::string unitText;
    unsigned clipboard = 0;
    bool online = false;
    bool canUndo = false;
    bool canRedo = false;
};
bool editCommandEnabled(int command, const EditContext& ctx);

}  // namespace kravin::editors
