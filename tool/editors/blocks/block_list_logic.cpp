#include "block_list_logic.h"

#include "KRAVinA.h"
#include "connections.h"
#include "validation.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace kravin::editors::blocks {

namespace {

constexpr int kMsgDeleteFunction = 8103;
constexpr int kMsgCannotApply = 8110;
constexpr int kMsgWriteFailed = 7018;

bool startsWith(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }

std::string codeText(const model::BlockCode& code) { return std::string(model::fieldView(code)); }

// The groups' ranges of the paste rule.
constexpr std::pair<int, int> kPasteRanges[] = {{2, 3}, {11, 26}, {30, 61}, {62, 69}, {72, 79}, {81, 92}, {97, 98}};

// The unit's allowed codes of a group, 5 characters each.
std::vector<std::string> validCodes(const model::UnitContext& unit, int group)
{
    std::vector<std::string> codes;
    if (group < 0 || group >= model::kGroups) return codes;
    const int n = std::clamp(unit.validBlockCount[group], 0, model::kValidCodesMax);
    for (int i = 0; i < n; ++i) {
        const char* p = unit.validBlocks[group].data() + 5 * i;
        if (static_cast<std::size_t>(5 * i + 5) > unit.validBlocks[group].size()) break;
        codes.emplace_back(p, 5);
    }
    return codes;
}

// The library copies a whole item: the text goes in zero padded.
void setItemText(int group, int item, std::string_view text)
{
    char value[model::kItemBytes + 4] = {};
    std::memcpy(value, text.data(), std::min<std::size_t>(text.size(), model::kItemBytes));
    KRAVinA_Data_Item_Set(group, item, value);
}

bool codeIsValidFor(const model::UnitContext& unit, int group, const model::BlockCode& code)
{
    const std::string c = codeText(code);
    if (c.size() != 5) return false;
    for (const std::string& v : validCodes(unit, group))
        if (v == c) return true;
    return false;
}

}  // namespace

bool isTransferCommand(int command)
{
    switch (command) {
    case blkcmd::Upload:
    case blkcmd::Download:
    case blkcmd::Compare:
    case blkcmd::NetworkUpload:
    case blkcmd::NetworkDownload:
    case blkcmd::NetworkCompare: return true;
    default: return false;
    }
}

int groupPosition(const model::UnitContext& unit, int bank, int group)
{
    if (group < 0 || group >= model::kGroups) return -1;
    int position = group;
    if (unit.modelStartsWith("PWZ")) {
        const int index = model::GetSpecialBlockIndex(group);
        if (bank == kBankSpecial) {
            if (index == 0) return -1;
            position = index - 100;
        } else if (index != 0) {
            return -1;
        }
    }
    if ((unit.modelStartsWith("QV200W") || unit.modelStartsWith("QV210W")) && unit.g_curUnitText[0] == 1 &&
        group <= 5)
        return -1;
    if (unit.validBlockCount[group] < 1) return -1;
    return position;
}

int hitTestGroup(const model::UnitContext& unit, int bank, int x, int y)
{
    for (int g = 0; g < model::kGroups; ++g) {
        const int position = groupPosition(unit, bank, g);
        if (position >= 0 && listRectHolds(listCellRect(position), x, y)) return g;
    }
    return -1;
}

std::string blockNameText(const model::BlockCode& code)
{
    if (code[0] == 0) return {};
    const std::string c = codeText(code);
    if (c.size() < 5) return c;
    return c.substr(2, 3) + "(" + c.substr(0, 2) + ")";
}

std::string functionNameOfCode(std::string_view code5)
{
    if (code5.size() < 5) return {};
    return std::string(code5.substr(2, 3)) + " " + std::string(code5.substr(0, 2));
}

std::string codeOfFunctionName(std::string_view name6)
{
    if (name6.size() < 6) return {};
    return std::string(name6.substr(4, 2)) + std::string(name6.substr(0, 3));
}

std::string stationHeaderText(int station)
{
    char text[16];
    std::snprintf(text, sizeof text, "STATION:%02X", station & 0xFF);
    return text;
}

std::string cardHeaderText(int card)
{
    if (card <= 0) return "CARD:-";
    char text[16];
    std::snprintf(text, sizeof text, "CARD:%01X", (card - 1) & 0xF);
    return text;
}

bool pasteRangeAllows(std::string_view model, int source, int target)
{
    if (startsWith(model, "QV200X") && (source == 2 || source == 3 || target == 2 || target == 3))
        return source == target;
    for (const auto& [first, last] : kPasteRanges)
        if (source >= first && source <= last && target >= first && target <= last) return true;
    return false;
}

// ---- Clipboard record ----

QByteArray BlockClipboardRecord::Serialize() const
{
    QByteArray bytes(static_cast<qsizetype>(kBlockRecordSize), '\0');
    char* p = bytes.data();
    const std::int32_t g = group;
    for (int i = 0; i < 4; ++i) p[i] = static_cast<char>((static_cast<std::uint32_t>(g) >> (8 * i)) & 0xFF);
    std::memcpy(p + 4, code.data(), code.size());
    std::size_t at = 10;
    for (const auto& item : items) {
        std::memcpy(p + at, item.data(), item.size());
        at += item.size();
    }
    for (const auto& term : terminals) {
        std::memcpy(p + at, term.data(), term.size());
        at += term.size();
    }
    return bytes;
}

bool BlockClipboardRecord::Deserialize(const QByteArray& bytes)
{
    if (static_cast<std::size_t>(bytes.size()) != kBlockRecordSize) return false;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const std::uint32_t raw = p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
    const auto g = static_cast<std::int32_t>(raw);
    if (g < -1 || g >= model::kGroups) return false;
    BlockClipboardRecord r;
    r.group = g;
    std::memcpy(r.code.data(), p + 4, r.code.size());
    if (r.code[5] != 0) return false;
    if (g >= 0) {
        for (int i = 0; i < 5; ++i)
            if (p[4 + i] < 0x21 || p[4 + i] > 0x7E) return false;
    }
    std::size_t at = 10;
    for (auto& item : r.items) {
        std::memcpy(item.data(), p + at, item.size());
        at += item.size();
        if (std::memchr(item.data(), 0, item.size()) == nullptr) return false;
    }
    for (auto& term : r.terminals) {
        std::memcpy(term.data(), p + at, term.size());
        at += term.size();
        if (std::memchr(term.data(), 0, term.size()) == nullptr) return false;
    }
    *this = r;
    return true;
}

bool WriteCurrentUnitHead(model::UnitContext& unit)
{
    if (unit.g_curStation < 0 || unit.g_curCard < 0 || unit.model().empty()) return true;
    model::UnitHead head{};
    model::loadUnit(unit.g_curStation, unit.g_curCard, unit.workFolder, head);
    for (int g = 0; g < model::kGroups; ++g)
        std::memcpy(head.data() + model::kCodeBytes * g, unit.g_unitBlocks[g].data(), model::kCodeBytes);
    return model::writeUnit(unit.g_curStation, unit.g_curCard, head, unit.workFolder);
}

// ---- Editor ----

BlockListEditor::BlockListEditor(model::UnitContext& unit, model::CBlockUndo& undo, model::Prompt& prompt,
                                 BlockListHost& host)
    : unit_(unit), undo_(undo), prompt_(prompt), host_(host)
{
}

int BlockListEditor::selectedGroup() const
{
    if (unit_.g_curGroup < 0) return -1;
    return unit_.realGroup();
}

void BlockListEditor::select(int group)
{
    if (group < 0 || group >= model::kGroups) {
        clearSelection();
        return;
    }
    if (bank() == kBankSpecial && unit_.modelStartsWith("PWZ")) {
        const int index = model::GetSpecialBlockIndex(group);
        if (index == 0) return;
        unit_.g_curGroup = index - 100;
        unit_.g_specialGroupMode = 1;
    } else {
        unit_.g_curGroup = group;
        unit_.g_specialGroupMode = 0;
    }
}

void BlockListEditor::clearSelection()
{
    unit_.g_curGroup = -1;
    unit_.g_specialGroupMode = 0;
}

bool BlockListEditor::switchBank()
{
    if (!unit_.modelStartsWith("PWZ")) return false;
    unit_.g_blockListBank = bank() == kBankNormal ? kBankSpecial : kBankNormal;
    clearSelection();
    return true;
}

bool BlockListEditor::shownHasBlock(int group) const
{
    return group >= 0 && group < model::kGroups && unit_.g_unitBlocks[group][0] != 0;
}

std::vector<int> BlockListEditor::contextMenu(int group)
{
    using namespace blkcmd;
    std::vector<int> menu;
    if (group < 0) return menu;
    if (unit_.modelStartsWith("RNH6") && group >= 11 && group <= 26) return menu;
    select(group);
    const bool v8rtu = unit_.modelStartsWith("V8RTU");
    const auto clip = host_.clipboard();
    const bool pasteOk = clip && pasteAllowed(*clip);
    if (shownHasBlock(group)) {
        if (!unit_.modelStartsWith("TQRN") && !unit_.modelStartsWith("TQRQ")) menu.insert(menu.end(), {BlockSetting, Separator});
        menu.insert(menu.end(), {Upload, Download, Compare});
        if (v8rtu) menu.insert(menu.end(), {Separator, NetworkUpload, NetworkDownload, NetworkCompare});
        if (groupIsEditable(group) && bank() == kBankNormal) {
            menu.insert(menu.end(), {Separator, Move, Copy});
            if (pasteOk) menu.push_back(Paste);
            menu.insert(menu.end(), {Separator, ChangeFunction, Delete});
        }
    } else if (group > 1) {
        menu.push_back(Upload);
        if (v8rtu) menu.push_back(NetworkUpload);
        if (pasteOk) menu.insert(menu.end(), {Separator, Paste});
    }
    return menu;
}

DoubleClickAction BlockListEditor::doubleClick(int group)
{
    if (unit_.modelStartsWith("TQRN") || unit_.modelStartsWith("TQRQ")) return DoubleClickAction::None;
    if (unit_.modelStartsWith("RNH6") && group >= 11 && group <= 26) return DoubleClickAction::None;
    if (group < 0) return DoubleClickAction::None;
    select(group);
    return shownHasBlock(group) ? DoubleClickAction::BlockSetting : DoubleClickAction::ChangeFunction;
}

bool BlockListEditor::pasteAllowed(const BlockClipboardRecord& record) const
{
    const int target = selectedGroup();
    if (record.group < 0 || target < 0 || bank() != kBankNormal) return false;
    if (!groupIsEditable(target)) return false;
    if (!pasteRangeAllows(unit_.model(), record.group, target)) return false;
    return codeIsValidFor(unit_, target, record.code);
}

bool BlockListEditor::runTransfer(int command)
{
    if (!isTransferCommand(command) || !commandEnabled(command)) return false;
    host_.runTransfer(command);
    return true;
}

bool BlockListEditor::commandEnabled(int command) const
{
    using namespace blkcmd;
    const int g = selectedGroup();
    if (isTransferCommand(command)) {
        if (!host_.transferBuilt(command) || host_.online() || g < 0) return false;
        if (shownHasBlock(g)) return true;
        // An empty group above 1 takes the upload of its group from the device.
        return g > 1 && (command == Upload || (command == NetworkUpload && unit_.modelStartsWith("V8RTU")));
    }
    switch (command) {
    case EditUndo: return undo_.CanUndo();
    case EditRedo: return undo_.CanRedo();
    case EditCut:
    case EditCopy:
    case EditDelete:
    case Move:
    case Copy:
    case Delete:
        return !host_.online() && groupIsEditable(g) && bank() == kBankNormal && shownHasBlock(g);
    case EditPaste:
    case Paste: {
        if (host_.online()) return false;
        const auto clip = host_.clipboard();
        return clip && pasteAllowed(*clip);
    }
    case ChangeFunction: return !host_.online() && g >= 0 && (groupIsEditable(g) || !shownHasBlock(g));
    case BlockSetting: return !host_.online() && shownHasBlock(g);
    default: return false;
    }
}

model::UnitHead BlockListEditor::packedHead() const
{
    model::UnitHead head{};
    for (int g = 0; g < model::kGroups; ++g)
        std::memcpy(head.data() + model::kCodeBytes * g, unit_.g_unitBlocks[g].data(), model::kCodeBytes);
    return head;
}

bool BlockListEditor::writeUnit()
{
    return model::writeUnit(unit_.g_curStation, unit_.g_curCard, packedHead(), unit_.workFolder);
}

bool BlockListEditor::writeReported()
{
    if (writeUnit()) return true;
    prompt_.message(kMsgWriteFailed, {}, model::Buttons::Ok, model::Icon::Error);
    return false;
}

void BlockListEditor::clearGroup(int group)
{
    const char zeros[24] = {};
    for (int i = 0; i < model::kItems; ++i) KRAVinA_Data_Item_Set(group, i, zeros);
    for (int j = 0; j < model::kTerminals; ++j) KRAVinA_Data_Term_Set(group, j, zeros);
}

EditResult BlockListEditor::changeFunction(std::optional<std::string> name)
{
    const int group = selectedGroup();
    if (group < 0) return EditResult::Nothing;
    // Edits go into the image of this unit.
    model::UnitHead head;
    unit_.ReadUnitImage(head);
    if (!name) {
        std::vector<int> kinds;
        if (const model::CommLinkTable* table = host_.commTable())
            if (const model::CommLinkSlot* slot = table->slot(unit_.g_curStation, unit_.libraryCard()))
                for (const auto& t : slot->terminals) kinds.push_back(t.kind);
        const FunctionChoices choices =
            buildFunctionChoices(unit_.model(), validCodes(unit_, group), codeText(unit_.g_unitBlocks[group]), kinds,
                                 [this](std::string_view id) {
                                     std::string out;
                                     unit_.GetBlockName(unit_.model(), unit_.version(), id, out);
                                     return out;
                                 });
        name = host_.chooseFunction(choices);
        if (!name) return EditResult::Nothing;
    }
    if (name->size() < 6) return EditResult::Nothing;
    const std::string id = name->substr(0, 3);
    if (model::CheckContactCode(unit_, group, *name) != 0) {
        prompt_.message(kMsgCannotApply, {}, model::Buttons::Ok, model::Icon::Warning);
        return EditResult::Refused;
    }
    if (const model::CommLinkTable* table = host_.commTable()) {
        if (model::CheckTqrqTerminalKind(unit_, *table, group, id) != 0 ||
            model::CheckTqrcTerminalKind(unit_, *table, group, id) != 0) {
            prompt_.message(kMsgCannotApply, {}, model::Buttons::Ok, model::Icon::Warning);
            return EditResult::Refused;
        }
    }
    undo_.Record(model::kBlockData + 1);
    const EditResult result = unit_.modelStartsWith("TQRC$") ? setVirtualTqrc(*name) : setFunction(group, *name);
    if (result != EditResult::Done) return result;
    undo_.Record(model::kBlockData);
    host_.setModified();
    if (terminalFlag) {
        if (model::CommLinkTable* table = host_.commTable()) {
            if (model::CommLinkTerminal* t = table->terminal(unit_.g_curStation, unit_.libraryCard(), group)) {
                const std::string_view k = std::string_view(*name).substr(0, 3);
                t->kind = k == "CDI" ? 1 : k == "CDO" ? 2 : k == "CAI" ? 3 : k == "CAO" ? 4 : 0;
            }
        }
    }
    unit_.LoadUnitBlocks(1);
    host_.invalidateAnalogView();
    return EditResult::Done;
}

EditResult BlockListEditor::setFunction(int group, const std::string& name)
{
    const std::string code = codeOfFunctionName(name);
    model::BlockCode next{};
    std::memcpy(next.data(), code.data(), std::min<std::size_t>(code.size(), 5));
    if (next != unit_.g_unitBlocks[group]) {
        unit_.g_unitBlocks[group] = next;
        clearGroup(group);
        unit_.WriteItemDefaults(group);
        if (startsWith(code, "95")) {
            setItemText(group, 10, "95");
            setItemText(group, 11, "130000");
            setItemText(group, 12, "000000");
        }
    }
    int x = 0, y = 0;
    KRAVinA_Data_XY_Get(group, &x, &y);
    if (x == 0 && y == 0) {
        int col = 0, row = 0;
        model::GetBlockCellPosition(unit_, group, &col, &row);
        KRAVinA_Data_XY_Set(group, col, row);
    }
    return writeReported() ? EditResult::Done : EditResult::WriteFailed;
}

EditResult BlockListEditor::setVirtualTqrc(const std::string& name)
{
    // The parent "TQRC " card to the left holds the virtual card's settings.
    const int v = unit_.g_curCard;
    int parent = -1;
    for (int c = v - 1; c >= 1; --c) {
        if (startsWith(unit_.unitKindName(unit_.g_curStation, c), "TQRC ")) {
            parent = c;
            break;
        }
    }
    if (parent < 0) return EditResult::Nothing;
    const int group = selectedGroup();
    const int offset = 17 * (v - parent);
    model::UnitHead head;
    if (!model::loadUnit(unit_.g_curStation, parent, unit_.workFolder, head)) return EditResult::Nothing;
    bool ok = true;
    const int first = offset - 6;
    if (first >= 0 && first < model::kItems) {
        char value[20] = {};
        KRAVinA_Data_Item_Get(1, first, value);
        if (std::strncmp(value, "00", 3) == 0)
            setItemText(1, first, std::string_view(name).substr(0, 3) == "CAI" ? "33" : "34");
    }
    // The item past the parent's last is left alone.
    const int second = group + offset - 16;
    if (second >= 0 && second < model::kItems) {
        char value[20] = {};
        KRAVinA_Data_Item_Get(1, second, value);
        if (value[0] == '9') setItemText(1, second, "000000");
    }
    ok = model::writeUnit(unit_.g_curStation, parent, head, unit_.workFolder);
    // Back to this unit's image.
    model::UnitHead own;
    unit_.ReadUnitImage(own);
    if (!ok) {
        prompt_.message(kMsgWriteFailed, {}, model::Buttons::Ok, model::Icon::Error);
        return EditResult::WriteFailed;
    }
    return EditResult::Done;
}

BlockClipboardRecord BlockListEditor::recordOf(int group)
{
    BlockClipboardRecord r;
    unit_.snapshot = model::GroupSnapshot{};
    unit_.SnapshotGroupData();
    if (unit_.snapshot.group != group) {
        // A group without a definition is still copied as it is stored.
        r.group = group;
        r.code = unit_.g_unitBlocks[group];
        for (int i = 0; i < model::kItems; ++i) KRAVinA_Data_Item_Get(group, i, r.items[i].data());
        for (int j = 0; j < model::kTerminals; ++j) KRAVinA_Data_Term_Get(group, j, r.terminals[j].data());
        return r;
    }
    r.group = unit_.snapshot.group;
    r.code = unit_.snapshot.code;
    for (int i = 0; i < model::kItems; ++i) std::memcpy(r.items[i].data(), unit_.snapshot.items[i].data(), 16);
    for (int j = 0; j < model::kTerminals; ++j)
        std::memcpy(r.terminals[j].data(), unit_.snapshot.terminals[j].data(), 20);
    return r;
}

EditResult BlockListEditor::copy()
{
    if (!commandEnabled(blkcmd::Copy)) return EditResult::Nothing;
    model::UnitHead head;
    unit_.ReadUnitImage(head);
    host_.setClipboard(recordOf(selectedGroup()));
    return EditResult::Done;
}

EditResult BlockListEditor::cut()
{
    if (!commandEnabled(blkcmd::Move)) return EditResult::Nothing;
    const int group = selectedGroup();
    model::UnitHead head;
    unit_.ReadUnitImage(head);
    undo_.Record(model::kBlockData + 1);
    host_.setClipboard(recordOf(group));
    unit_.g_unitBlocks[group].fill(0);
    clearGroup(group);
    if (!writeReported()) return EditResult::WriteFailed;
    host_.setModified();
    undo_.Record(model::kBlockData);
    host_.invalidateAnalogView();
    return EditResult::Done;
}

EditResult BlockListEditor::deleteFunction()
{
    const int group = selectedGroup();
    if (group <= 0 || !commandEnabled(blkcmd::Delete)) return EditResult::Nothing;
    if (prompt_.message(kMsgDeleteFunction, {}, model::Buttons::OkCancel, model::Icon::Question) !=
        model::Answer::Ok)
        return EditResult::Nothing;
    model::UnitHead head;
    unit_.ReadUnitImage(head);
    undo_.Record(model::kBlockData + 1);
    unit_.g_unitBlocks[group].fill(0);
    clearGroup(group);
    if (!writeReported()) return EditResult::WriteFailed;
    host_.setModified();
    undo_.Record(model::kBlockData);
    host_.invalidateAnalogView();
    return EditResult::Done;
}

EditResult BlockListEditor::paste()
{
    if (host_.online()) return EditResult::Nothing;
    const auto record = host_.clipboard();
    if (!record || !pasteAllowed(*record)) return EditResult::Nothing;
    const int group = selectedGroup();
    if (model::CheckContactCode(unit_, group, functionNameOfCode(codeText(record->code))) != 0) {
        prompt_.message(kMsgCannotApply, {}, model::Buttons::Ok, model::Icon::Warning);
        return EditResult::Refused;
    }
    model::UnitHead head;
    unit_.ReadUnitImage(head);
    undo_.Record(model::kBlockData + 1);
    unit_.g_unitBlocks[group] = record->code;
    for (int i = 0; i < model::kItems; ++i) KRAVinA_Data_Item_Set(group, i, record->items[i].data());
    for (int j = 0; j < model::kTerminals; ++j) KRAVinA_Data_Term_Set(group, j, record->terminals[j].data());
    if (!writeReported()) return EditResult::WriteFailed;
    host_.setModified();
    undo_.Record(model::kBlockData);
    host_.invalidateAnalogView();
    return EditResult::Done;
}

EditResult BlockListEditor::blockSetting()
{
    const int group = selectedGroup();
    if (group < 0 || !shownHasBlock(group)) return EditResult::Nothing;
    // A remote I/O station's groups 0 and 1 live on its first card; the
    // selected card comes back however the dialog ends.
    struct CardRedirect {
        model::UnitContext& unit;
        int card = -1;
        ~CardRedirect()
        {
            if (card < 0) return;
            unit.g_curCard = card;
            unit.SelectCurrentUnit();
            unit.LoadUnitBlocks(1);
        }
    } redirect{unit_};
    if (unit_.modelStartsWith("V8RTU") && unit_.g_curCard > 1 && group <= 1) {
        redirect.card = unit_.g_curCard;
        unit_.g_curCard = 1;
        unit_.SelectCurrentUnit();
        unit_.LoadUnitBlocks(1);
    }
    model::UnitHead head;
    unit_.ReadUnitImage(head);
    if (unit_.LoadBlockItemList() != 0) return EditResult::Nothing;
    if (!host_.runBlockSetting()) return EditResult::Nothing;
    const int real = unit_.realGroup();
    for (int i = 0; i < model::kItems; ++i) KRAVinA_Data_Item_Set(real, i, unit_.blockItemData.items[i].data());
    for (int j = 0; j < model::kTerminals; ++j)
        KRAVinA_Data_Term_Set(real, j, unit_.blockItemData.terminals[j].data());
    if (!writeReported()) return EditResult::WriteFailed;
    if (terminalFlag) host_.rebuildCommTable();
    if (sequentialFlag) host_.reloadSequence();
    return EditResult::Done;
}

model::StepResult BlockListEditor::undo()
{
    const model::StepResult r = undo_.Undo();
    if (r != model::StepResult::Nothing) host_.invalidateAnalogView();
    if (r == model::StepResult::Failed) prompt_.message(kMsgWriteFailed, {}, model::Buttons::Ok, model::Icon::Error);
    return r;
}

model::StepResult BlockListEditor::redo()
{
    const model::StepResult r = undo_.Redo();
    if (r != model::StepResult::Nothing) host_.invalidateAnalogView();
    if (r == model::StepResult::Failed) prompt_.message(kMsgWriteFailed, {}, model::Buttons::Ok, model::Icon::Error);
    return r;
}

}  // namespace kravin::editors::blocks
