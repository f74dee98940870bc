// The function block list without its window: the 10 x 10 cell geometry, which
// groups are shown where (banks, two-slot cards), hit tests, the paste range
// rule, the block clipboard record, the context menu as command ids, the enable
// rules and the edit operations on the current unit with their undo records.
#pragma once

#include "block_undo.h"
#include "clipboard.h"
#include "current_unit.h"
#include "dialog_checks.h"
#include "prompt.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kravin::model {
struct CommLinkTable;
}

namespace kravin::editors::blocks {

namespace blkcmd {
constexpr int Separator = 0;
constexpr int ChangeFunction = 40420;
constexpr int BlockSetting = 40421;
constexpr int Paste = 40422;
constexpr int Move = 40423;
constexpr int Copy = 40424;
constexpr int Delete = 40425;
constexpr int Download = 40426;
constexpr int NetworkDownload = 40427;
constexpr int Compare = 40473;
constexpr int NetworkCompare = 40474;
constexpr int Upload = 40609;
constexpr int NetworkUpload = 40610;
constexpr int BlockListRedraw = 40611;
constexpr int EditDelete = 32872;
constexpr int EditCut = 32893;
constexpr int EditCopy = 32894;
constexpr int EditPaste = 32895;
constexpr int EditUndo = 32896;
constexpr int EditRedo = 32897;
}  // namespace blkcmd

// Transfer entries of the menu; each is enabled once its transfer is built (the host says).
bool isTransferCommand(int command);

// ---- Geometry (unzoomed units) ----

constexpr int kListPositions = 100;
constexpr int kListCellWidth = 76;
constexpr int kListCellHeight = 32;
constexpr int kListContentWidth = 796;
constexpr int kListContentHeight = 392;

struct ListRect {
    int x = 0, y = 0, width = 0, height = 0;
};

// Cell of list position 0..99 (columns of ten, filled top to bottom).
inline ListRect listCellRect(int position)
{
    return {(position / 10) * 78 + 6, (position % 10) * 34 + 36, kListCellWidth, kListCellHeight};
}
// Both edges count as inside.
inline bool listRectHolds(const ListRect& r, int x, int y)
{
    return x >= r.x && x <= r.x + r.width && y >= r.y && y <= r.y + r.height;
}

constexpr int kBankNormal = 0;
constexpr int kBankSpecial = 2;

// List position of a group of the current unit in a bank, -1 when not shown.
int groupPosition(const model::UnitContext& unit, int bank, int group);
// The first shown group whose cell holds the unzoomed point; -1 none.
int hitTestGroup(const model::UnitContext& unit, int bank, int x, int y);

// "SYS(00)" of the code "00SYS"; empty without a block.
std::string blockNameText(const model::BlockCode& code);
// The function name form "SYS 00" of a code and back.
std::string functionNameOfCode(std::string_view code5);
std::string codeOfFunctionName(std::string_view name6);
// "STATION:0A", "CARD:3" or "CARD:-" for the station itself.
std::string stationHeaderText(int station);
std::string cardHeaderText(int card);

// Groups that can be moved, copied, pasted over, changed and deleted.
inline bool groupIsEditable(int group) { return group > 1 && group != 80; }
// Source and target lie in one of the groups' ranges; "QV200X" groups 2 and 3
// accept only their own number.
bool pasteRangeAllows(std::string_view model, int source, int target);

// ---- Clipboard record ("KRAV3 blkList data") ----

inline constexpr char kBlockListFormat[] = "KRAV3 blkList data";
constexpr std::size_t kRecordItemBytes = 18;
constexpr std::size_t kRecordTermBytes = 22;
constexpr std::size_t kBlockRecordSize = 4 + 6 + 100 * kRecordItemBytes + 100 * kRecordTermBytes;  // 4010

struct BlockClipboardRecord final : model::ClipboardObject {
    int group = -1;
    model::BlockCode code{};
    std::array<std::array<char, kRecordItemBytes>, model::kItems> items{};
    std::array<std::array<char, kRecordTermBytes>, model::kTerminals> terminals{};

    QByteArray Serialize() const override;
    // Refuses bytes of another size, a group outside -1..99, a code that is not
    // five printable characters, and texts without their terminator.
    bool Deserialize(const QByteArray& bytes) override;
};

// Writes the current unit's file with the 100 block codes as its head (the
// rest as the file holds it); false when it could not be written.
bool WriteCurrentUnitHead(model::UnitContext& unit);

// ---- The editor ----

// What the list needs of the rest of the tool.
class BlockListHost {
public:
    virtual ~BlockListHost() = default;
    virtual bool online() const = 0;
    virtual void setModified() = 0;
    // "Select Function": the chosen line's function name ("SYS 00"), nothing on Cancel.
    virtual std::optional<std::string> chooseFunction(const FunctionChoices& choices) = 0;
    // The Function Block Setting dialog over the loaded group; true for OK.
    virtual bool runBlockSetting() = 0;
    // The block list clipboard: the record, nothing when none can be read.
    virtual std::optional<BlockClipboardRecord> clipboard() const = 0;
    virtual void setClipboard(const BlockClipboardRecord& record) = 0;
    // The communication link table (null when the tool keeps none yet), and its
    // rebuild under the busy box.
    virtual model::CommLinkTable* commTable() { return nullptr; }
    virtual void rebuildCommTable() {}
    virtual void invalidateAnalogView() {}
    // The sequential control blocks are read again and their view repainted.
    virtual void reloadSequence() {}
    // The transfer commands of the menu (Download, Compare ...): whether one is built, and
    // running it on the selected group.
    virtual bool transferBuilt(int /*command*/) const { return false; }
    virtual void runTransfer(int /*command*/) {}
};

// Outcome of an edit.
enum class EditResult { Done, Nothing, Refused, WriteFailed };

// The double click's action on a group.
enum class DoubleClickAction { None, BlockSetting, ChangeFunction };

class BlockListEditor {
public:
    BlockListEditor(model::UnitContext& unit, model::CBlockUndo& undo, model::Prompt& prompt, BlockListHost& host);

    int bank() const { return unit_.g_blockListBank; }
    bool hostOnline() const { return host_.online(); }
    // A built transfer command on the selected group.
    bool runTransfer(int command);
    // The analog view shows the unit's blocks again (redraw requests).
    void blocksRedrawn() { host_.invalidateAnalogView(); }
    // The selected group (real group 0..99) and its selection; -1 none.
    int selectedGroup() const;
    void select(int group);
    void clearSelection();
    // The Bank button: 0 <-> 2 on "PWZ" units (else nothing); clears the selection.
    bool switchBank();
    bool bankButtonShown() const { return unit_.modelStartsWith("PWZ"); }

    // Flags of the list opened from another view.
    bool terminalFlag = false;
    bool sequentialFlag = false;

    // The context menu of a group (selected first); empty for none.
    std::vector<int> contextMenu(int group);
    DoubleClickAction doubleClick(int group);
    // Update rule of a command (menu and Edit commands).
    bool commandEnabled(int command) const;
    // The paste rule for the selected group and a record.
    bool pasteAllowed(const BlockClipboardRecord& record) const;

    // Edit operations on the selected group.
    EditResult changeFunction(std::optional<std::string> functionName = std::nullopt);
    EditResult copy();
    EditResult cut();
    EditResult paste();
    EditResult deleteFunction();
    EditResult blockSetting();
    model::StepResult undo();
    model::StepResult redo();

    // The 500-byte head of the current unit's codes, and its write (failure reported).
    model::UnitHead packedHead() const;
    bool writeUnit();

private:
    bool shownHasBlock(int group) const;
    bool writeReported();
    EditResult setFunction(int group, const std::string& name);
    EditResult setVirtualTqrc(const std::string& name);
    void clearGroup(int group);
    BlockClipboardRecord recordOf(int group);

    model::UnitContext& unit_;
    model::CBlockUndo& undo_;
    model::Prompt& prompt_;
    BlockListHost& host_;
};

// The undo store's view of the current unit.
class UnitBlockUndoHost final : public model::BlockUndoHost {
public:
    explicit UnitBlockUndoHost(model::UnitContext& unit, std::function<void()> modified = {},
                               std::function<model::UndoView*()> activeView = {})
        : unit_(unit), modified_(std::move(modified)), activeView_(std::move(activeView))
    {
    }
    int station() const override { return unit_.g_curStation; }
    int card() const override { return unit_.g_curCard; }
    std::string workFolder() const override { return unit_.workFolder; }
    int currentGroup() const override { return unit_.g_curGroup; }
    bool specialGroupMode() const override { return unit_.g_specialGroupMode != 0; }
    void setCurrentGroup(int group, bool special) override
    {
        unit_.g_curGroup = group;
        unit_.g_specialGroupMode = special ? 1 : 0;
    }
    model::BlockCode blockCode(int block) const override { return unit_.g_unitBlocks[block]; }
    void setBlockCode(int block, const model::BlockCode& code) override { unit_.g_unitBlocks[block] = code; }
    model::UndoView* activeView() override { return activeView_ ? activeView_() : nullptr; }
    void setModified() override
    {
        if (modified_) modified_();
    }

private:
    model::UnitContext& unit_;
    std::function<void()> modified_;
    std::function<model::UndoView*()> activeView_;
};

}  // namespace kravin::editors::blocks
