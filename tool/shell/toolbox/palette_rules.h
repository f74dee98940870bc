// The palettes' contents and drop rules without a window: the model
// categories of the system palette, the ladder elements, which point of a
// target view takes which item, and where an item's help document lies.
#pragma once

#include "palette_codes.h"
#include "palette_drop.h"
#include "system_config.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kravin::shell {

// ---- System palette ----

// Item ids of the system palette's two categories.
enum : int { kStationModelItem = 1, kCardModelItem = 2 };

// "%.2f" of the highest of a kind's version texts (up to the first empty one), "0.00" without any.
std::string HighestVersionText(const std::array<std::string, model::kKindVersions>& versions);
// The kind's own version text that a tile's "%.2f" version stands for (the text itself when none does).
std::string MasterVersionText(const std::array<std::string, model::kKindVersions>& versions, const std::string& code);
// Station models, then card models (without the virtual "TQRQ$" and "TQRC$").
std::vector<PaletteCategory> SystemPaletteCategories(const model::CardKindMasters& masters);
constexpr int kSystemPaletteOpen = 1;  // the card models

// What the system view tells of a point (the cell under it is made current first).
struct SystemDropPoint {
    int station = -1, card = -1;
    bool leftOfCardArea = false, inCardArea = false;
    int x = 0, y = 0, width = 0, height = 0;  // the point and the viewport size
    bool slotHasKind = false;                 // the slot holds a kind in the configuration
    std::string model;                        // the current model after the selection, 8 blank padded
};
// A station model goes onto a free station cell, a card model onto a free card slot.
bool SystemDropAllowed(const SystemDropPoint& point, int itemId);

// ---- Function block list palette ----

std::vector<PaletteCategory> BlockListPaletteCategories(const std::array<std::vector<std::string>, 100>& validBlocks);
// An item goes onto an empty group whose valid blocks hold it (code + name).
bool BlockListDropAllowed(int group, bool groupEmpty, const std::vector<std::string>& validCodes,
                          const PaletteItem& item);
// The function the drop sets: name + "(" + code + ")".
std::string BlockListFunctionName(const PaletteItem& item);

// ---- Ladder palette ----

namespace laddercmd {
constexpr int Step = 40438, Timer = 40439, NoContact = 40440, NcContact = 40441, OutputCoil = 40442,
              OutputNot = 40443, SetCoil = 40444, ResetCoil = 40445, OneShot = 40446, Branch = 40447,
              Line = 40448, Or = 40450;
}  // namespace laddercmd

// One category of the twelve elements, each with its command id.
std::vector<PaletteCategory> LadderPaletteCategories(bool japanese);

struct LadderDropCell {
    int column = -1, row = -1;  // the cell under the point, -1 none
    int scrollRequest = 0;      // rows scrolled off the top
    std::uint8_t links = 0;     // the row's link bits (bit c: a link right of column c)
    bool online = false;
    bool view = true;           // a ladder view is active
};
bool LadderDropAllowed(int command, const LadderDropCell& cell);

// What the ladder palette needs of the ladder view.
class LadderDropHost {
public:
    virtual ~LadderDropHost() = default;
    virtual bool online() const = 0;
    // The cell (column, row of the shown rows) under a view point; false off the grid.
    virtual bool cellAt(int x, int y, int& column, int& row) const = 0;
    virtual void cursor(int& column, int& row) const = 0;
    virtual int scrollRequest() const = 0;
    virtual std::uint8_t links(int row) const = 0;
    // Moves the cursor there, repaints and focuses the ladder frame.
    virtual void moveCursor(int column, int row) = 0;
    // The element's command at the cursor (it asks for its parameter).
    virtual void runCommand(int command) = 0;
};

// The ladder palette's target: the hovered cell becomes the cursor's, and a
// drop runs the element's command there.
class LadderPaletteTarget final : public PaletteDropTarget {
public:
    explicit LadderPaletteTarget(LadderDropHost& host) : host_(host) {}
    bool dragAllowed() const override { return !host_.online(); }
    // 41 x 41, held at (20, 20).
    int dragImageWidth() const override { return 41; }
    int dragImageHeight() const override { return 41; }
    bool hitTest(int x, int y) const override;
    bool accepts(int x, int y, const PaletteItem& item) override;
    void drop(int x, int y, const PaletteItem& item) override;

private:
    LadderDropHost& host_;
};

// ---- Help documents ----

enum class HelpKind { Item, Terminal };
constexpr int kMsgNoDeviceHelp = 7015;    // no item selected
constexpr int kMsgNoTerminalHelp = 7016;
constexpr int kMsgNoItemHelp = 7017;

// The help PDF of a tile: "Terminal/<name>.pdf", or "Item/<name>_<model>.pdf" and
// then "Item/<name>.pdf", each found whatever the case of its folder and file
// names. Nothing when missing, or when the name or model would leave the folder.
std::optional<std::string> FindHelpFile(const std::string& helpDir, HelpKind kind, const std::string& name,
                                        const std::string& model);

}  // namespace kravin::shell
