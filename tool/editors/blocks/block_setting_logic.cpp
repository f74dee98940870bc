#include "block_setting_logic.h"

#include "KRAVinA.h"
#include "text_codec.h"
#include "validation.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace kravin::editors::blocks {

namespace {

constexpr int kMsgEndCleared = 9500;
constexpr int kMsgSequence = 9501;
constexpr int kMsgAnalog = 9502;
constexpr int kMsgDigital = 9503;
constexpr int kMsgCnTerminal = 9504;
constexpr int kMsgDiscard = 9505;
constexpr int kTextRangeDash = 9518;

bool startsWith(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }

bool shownItemType(std::string_view t) { return !t.empty() && !startsWith(t, "FA_") && !startsWith(t, "NON"); }
bool usedType(std::string_view t) { return !t.empty() && !startsWith(t, "NON"); }

std::string twoDigits(int v)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02d", v);
    return text;
}

template <std::size_t N>
std::string slotText(const std::array<char, N>& slot, std::size_t width)
{
    return std::string(model::fieldView(slot.data(), std::min(width, N)));
}

template <std::size_t N>
void putSlot(std::array<char, N>& slot, std::string_view text, std::size_t width)
{
    std::memset(slot.data(), 0, std::min(width, N));
    std::memcpy(slot.data(), text.data(), std::min({text.size(), width, N}));
}

// Two decimal digits, -1 for anything else.
int twoDigitNumber(std::string_view s)
{
    if (s.size() < 2 || s[0] < '0' || s[0] > '9' || s[1] < '0' || s[1] > '9') return -1;
    return (s[0] - '0') * 10 + (s[1] - '0');
}

}  // namespace

std::string fitCp932(std::string_view text, std::size_t maxBytes)
{
    text = text.substr(0, std::min(text.size(), static_cast<std::size_t>(::strnlen(text.data(), text.size()))));
    const std::size_t limit = std::min(text.size(), maxBytes);
    std::size_t i = 0;
    while (i < limit) {
        const std::size_t w = model::isDbcsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
        if (i + w > limit) break;
        i += w;
    }
    return std::string(text.substr(0, i));
}

std::string nameColumnText(std::string_view name)
{
    std::string out;
    bool quoted = false;
    for (char c : name) {
        if (c == '\0') break;
        if (c == '"') {
            quoted = !quoted;
            continue;
        }
        if (!quoted) out += c;
    }
    return out.substr(0, std::min<std::size_t>(out.size(), 127));
}

std::string rangeColumnText(std::string_view name, std::string_view range, std::string_view rangeDash)
{
    std::string inside;
    bool quoted = false, anyQuote = false;
    for (char c : name) {
        if (c == '\0') break;
        if (c == '"') {
            quoted = !quoted;
            anyQuote = true;
            continue;
        }
        if (quoted) inside += c;
    }
    if (anyQuote && !inside.empty()) return inside;
    std::string out;
    quoted = false;
    for (char c : range) {
        if (c == '\0') break;
        if (c == '"') {
            if (!quoted) out += '=';
            quoted = !quoted;
        } else if (c == ';') {
            out += ',';
        } else if (c == '_') {
            out += rangeDash;
        } else {
            out += c;
        }
    }
    return out;
}

BlockSettingEditor::BlockSettingEditor(model::UnitContext& unit, model::Prompt& prompt, res::Language language,
                                       BlockSettingHost& host)
    : unit_(unit), prompt_(prompt), language_(language), host_(host)
{
    fill();
}

std::array<std::string, kSettingColumns> BlockSettingEditor::headers() const
{
    if (language_ == res::Language::Japanese) {
        if (mode() == 1) return {"端子", "名称", "略称", "コメント", "", ""};
        return {"項目", "名称", "略称", "設定データ", "単位", "設定範囲"};
    }
    if (mode() == 1) return {"TERM", "Name", "ABBR", "Comment", "", ""};
    return {"ITEM", "Name", "ABBR", "Setting Data", "Unit", "Valid Setting Range"};
}

std::string BlockSettingEditor::groupText() const { return twoDigits(group()); }

std::string BlockSettingEditor::markText() const
{
    const int r = unit_.realGroup();
    if (r < 0) return {};
    const std::string code(model::fieldView(unit_.g_unitBlocks[r]));
    if (code.size() < 5) return code;
    return code.substr(2, 3) + "(" + code.substr(0, 2) + ")";
}

std::string BlockSettingEditor::nameText() const
{
    const int r = unit_.realGroup();
    std::string name;
    if (r >= 0) unit_.GetBlockName(unit_.model(), unit_.version(), unit_.blockId(r), name);
    return name;
}

std::string_view BlockSettingEditor::itemType(int item) const
{
    return model::fieldView(unit_.itemDefinitions[static_cast<std::size_t>(item)].type);
}

void BlockSettingEditor::fill()
{
    rows_.clear();
    model::BlockItemData& data = unit_.blockItemData;
    if (mode() == 1) {
        for (int t = 0; t < model::kTerminals; ++t) {
            const model::TerminalDefinition& d = unit_.terminalDefinitions[static_cast<std::size_t>(t)];
            if (!usedType(model::fieldView(d.type))) continue;
            SettingRow row;
            row.index = t;
            row.cells[0] = twoDigits(t);
            row.cells[1] = std::string(model::fieldView(d.name));
            row.cells[2] = std::string(model::fieldView(d.abbreviation));
            row.cells[3] = slotText(data.terminals[static_cast<std::size_t>(t)], kTermCommentBytes);
            rows_.push_back(std::move(row));
        }
        return;
    }
    const std::string dash = res::message(kTextRangeDash, language_);
    for (int i = 0; i < model::kItems; ++i) {
        const model::ItemDefinition& d = unit_.itemDefinitions[static_cast<std::size_t>(i)];
        const std::string_view type = model::fieldView(d.type);
        if (!shownItemType(type)) continue;
        SettingRow row;
        row.index = i;
        row.locked = i == 10;
        row.cells[0] = twoDigits(i);
        row.cells[1] = nameColumnText(model::fieldView(d.name));
        row.cells[2] = std::string(model::fieldView(d.abbreviation));
        row.cells[4] = std::string(model::fieldView(d.unit));
        row.cells[5] = rangeColumnText(model::fieldView(d.name), model::fieldView(d.range), dash);
        auto& slot = data.items[static_cast<std::size_t>(i)];
        std::string value = slotText(slot, model::kItemBytes);
        if (startsWith(type, "FLOAT")) {
            // Reformatting alone is no change.
            value = fitCp932(model::FormatItemValue(type, value), model::kItemBytes);
            putSlot(slot, value, model::kItemBytes);
            putSlot(data.savedItems[static_cast<std::size_t>(i)], value, model::kItemBytes);
        }
        row.cells[3] = value;
        rows_.push_back(std::move(row));
    }
}

bool BlockSettingEditor::cellEditable(int row, int column) const
{
    if (column != kValueColumn || row < 0 || row >= static_cast<int>(rows_.size())) return false;
    return !(mode() == 0 && rows_[static_cast<std::size_t>(row)].locked);
}

void BlockSettingEditor::setValue(int row, std::string value)
{
    if (row < 0 || row >= static_cast<int>(rows_.size())) return;
    rows_[static_cast<std::size_t>(row)].cells[kValueColumn] = std::move(value);
}

int BlockSettingEditor::validate(int* badRow)
{
    if (mode() != 0) return 0;
    for (std::size_t r = 0; r < rows_.size(); ++r) {
        SettingRow& row = rows_[r];
        std::string value = row.cells[kValueColumn].substr(0, kItemInputMax);
        // CARD and FLOAT values are kept in the form the device gives back ("1.5" as "1.500").
        if (startsWith(itemType(row.index), "CARD") || startsWith(itemType(row.index), "FLOAT")) {
            std::string normalised = value;
            if (model::ValidateItemInput(unit_, prompt_, 1, row.index, normalised) == 0 && normalised != value) {
                row.cells[kValueColumn] = normalised;
                value = normalised;
            }
        }
        std::string checked = value;
        if (model::ValidateItemInput(unit_, prompt_, 1, row.index, checked) != 0) {
            if (badRow) *badRow = static_cast<int>(r);
            checked = value;
            model::ValidateItemInput(unit_, prompt_, 0, row.index, checked);
            return -1;
        }
    }
    return 0;
}

void BlockSettingEditor::collect()
{
    model::BlockItemData& data = unit_.blockItemData;
    for (const SettingRow& row : rows_) {
        const auto i = static_cast<std::size_t>(row.index);
        if (mode() == 0)
            putSlot(data.items[i], fitCp932(row.cells[kValueColumn], model::kItemBytes), model::kItemBytes);
        else
            putSlot(data.terminals[i], fitCp932(row.cells[kValueColumn], kTermCommentBytes), kTermCommentBytes);
    }
}

bool BlockSettingEditor::changed() const
{
    const model::BlockItemData& d = unit_.blockItemData;
    for (int i = 0; i < model::kItems; ++i)
        if (model::fieldView(d.items[i]) != model::fieldView(d.savedItems[i])) return true;
    for (int j = 0; j < model::kTerminals; ++j)
        if (model::fieldView(d.terminals[j]) != model::fieldView(d.savedTerminals[j])) return true;
    return false;
}

bool BlockSettingEditor::ask(int id, int item, std::string_view value)
{
    return prompt_.message(id, {std::int64_t(item), model::cp932ToUtf8(value)}, model::Buttons::OkCancel,
                           model::Icon::Warning) == model::Answer::Ok;
}

int BlockSettingEditor::checkReferences()
{
    const int real = unit_.realGroup();
    const std::string id = real >= 0 ? unit_.blockId(real) : std::string();
    const bool digitalBlock = id == "DCN" || id == "B2D";
    for (int i = 0; i < model::kItems; ++i) {
        const std::string_view type = itemType(i);
        const std::string value = slotText(unit_.blockItemData.items[static_cast<std::size_t>(i)], model::kItemBytes);
        if (type == "ANACOM") {
            if (model::CheckBlockReference(unit_, value) != 0 && !ask(kMsgAnalog, i, value)) return -1;
        } else if (type == "ITEMCOM" && digitalBlock) {
            const int gg = twoDigitNumber(value), ii = value.size() >= 4 ? twoDigitNumber(value.substr(2)) : -1;
            const bool connected = gg != 0 || (ii != 0 && ii != 99);
            if (connected && !(gg >= 0 && ii >= 0 && model::IsDigitalItem(unit_, gg, ii)) &&
                !ask(kMsgDigital, i, value))
                return -1;
        }
    }
    return 0;
}

int BlockSettingEditor::checkSequence()
{
    auto& items = unit_.blockItemData.items;
    constexpr int kLastStepItem = 88;
    int first = -1;
    for (int i = 0; i <= kLastStepItem; ++i) {
        if (slotText(items[static_cast<std::size_t>(i)], model::kItemBytes) != "000000") continue;
        if (first < 0) {
            first = i;
            continue;
        }
        if (!ask(kMsgEndCleared, first, "000000")) return -1;
        for (int k = first + 1; k <= kLastStepItem; ++k) putSlot(items[static_cast<std::size_t>(k)], "******", 16);
        if (mode() == 0) fill();
        break;
    }
    // The step items before the first END must name digital terminals.
    const int end = first < 0 ? kLastStepItem + 1 : first;
    for (int i = 0; i < end; ++i) {
        if (itemType(i) != "SEQ") continue;
        const std::string code = slotText(items[static_cast<std::size_t>(i)], model::kItemBytes);
        if (model::CheckStepCode(unit_, code) != 0 && !ask(kMsgSequence, i, code)) return -1;
    }
    return 0;
}

int BlockSettingEditor::checkTqrcFlags()
{
    if (!unit_.modelStartsWith("TQRC") || group() != 1) return 0;
    int n = 0;
    while (n < 5 && unit_.g_curUnitText[static_cast<std::size_t>(n)] == '1') ++n;
    static constexpr int kFlagItems[] = {11, 28, 45, 62, 79};
    bool cleared = false;
    for (int k = 0; k < n; ++k) {
        const bool set = unit_.blockItemData.items[static_cast<std::size_t>(kFlagItems[k])][0] != '0';
        if (set && cleared) {
            prompt_.message(kMsgCnTerminal, {}, model::Buttons::Ok, model::Icon::Warning);
            return -1;
        }
        if (!set) cleared = true;
    }
    return 0;
}

int BlockSettingEditor::accept(int* badRow)
{
    if (validate(badRow) != 0) return -1;
    collect();
    const bool sequence = group() >= 81 && group() <= 92;
    if (!sequence && checkReferences() != 0) return -1;
    if (sequence && checkSequence() != 0) return -1;
    if (checkTqrcFlags() != 0) return -1;
    if (changed()) host_.setModified();
    host_.analogViewChanged();
    return 0;
}

bool BlockSettingEditor::cancel()
{
    collect();
    if (!changed()) return true;
    return prompt_.message(kMsgDiscard, {}, model::Buttons::OkCancel, model::Icon::Question) == model::Answer::Ok;
}

bool BlockSettingEditor::showTerminals(int* badRow)
{
    if (mode() != 0 || unit_.terminalCount == 0) return false;
    if (validate(badRow) != 0) return false;
    collect();
    unit_.g_blockEditMode = 1;
    fill();
    return true;
}

bool BlockSettingEditor::showItems()
{
    if (mode() != 1 || unit_.itemCount == 0) return false;
    collect();
    unit_.g_blockEditMode = 0;
    fill();
    return true;
}

// ---- Rebuild after a device change ----

int RebuildBlockTerminals(model::UnitContext& unit, model::Prompt& prompt, const model::SavedGroupRecords& saved)
{
    const int keepGroup = unit.g_curGroup, keepSpecial = unit.g_specialGroupMode;
    int result = 0;
    for (int g = 0; g < model::kGroups; ++g) {
        const model::BlockCode& old = saved.oldCodes[static_cast<std::size_t>(g)];
        if (old[0] == 0) continue;
        if (g != 0 && g != 80) {
            bool allowed = false;
            const int n = std::clamp(unit.validBlockCount[g], 0, model::kValidCodesMax);
            for (int k = 0; k < n && !allowed; ++k)
                allowed = std::memcmp(unit.validBlocks[g].data() + 5 * k, old.data(), 5) == 0;
            if (allowed) {
                unit.g_unitBlocks[g] = old;
            } else if (g == 1 && unit.validBlockCount[1] > 0) {
                unit.g_unitBlocks[1].fill(0);
                std::memcpy(unit.g_unitBlocks[1].data(), unit.validBlocks[1].data(), 5);
            } else {
                continue;
            }
        }
        unit.WriteItemDefaults(g);

        // A group without a saved record stays as reset.
        if (unit.LoadBlockDefinition(unit.model(), unit.version(), unit.blockId(g)) != 0) continue;
        if (!saved.present || static_cast<std::size_t>(g) >= saved.records.size()) continue;
        const model::BlockSaveRecord& record = saved.records[static_cast<std::size_t>(g)];
        unit.g_curGroup = g;
        unit.g_specialGroupMode = 0;
        for (int i = 0; i < model::kItems; ++i) {
            const std::string_view type = model::fieldView(unit.itemDefinitions[static_cast<std::size_t>(i)].type);
            if (!usedType(type)) continue;
            const std::string_view savedType = model::fieldView(record.data() + model::kSavedTypeBytes * i, 16);
            if (savedType != type) continue;
            std::string value(model::fieldView(record.data() + 1600 + model::kSavedItemBytes * i, 16));
            if (model::ValidateItemInput(unit, prompt, 1, i, value) != 0) continue;
            char buffer[20] = {};
            std::memcpy(buffer, value.data(), std::min<std::size_t>(value.size(), 16));
            result = KRAVinA_Data_Item_Set(g, i, buffer);
        }
        for (int j = 0; j < model::kTerminals; ++j) {
            char type[KRAVINA_TERM_TYPE_SIZE] = {};
            KRAVinA_Block_Inf_Get(1, j, type, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
            if (!usedType(model::fieldView(type, sizeof type))) continue;
            char entry[24] = {};
            std::memcpy(entry, record.data() + 3400 + model::kSavedTermBytes * j, 20);
            result = KRAVinA_Data_Term_Set(g, j, entry);
        }
    }
    unit.g_curGroup = keepGroup;
    unit.g_specialGroupMode = keepSpecial;
    return result;
}

}  // namespace kravin::editors::blocks
