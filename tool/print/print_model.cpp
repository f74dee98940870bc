#include "print_model.h"

#include "KRAVinA.h"
#include "services.h"
#include "text_codec.h"
#include "validation.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace kravin::print {

using model::fieldView;
using model::startsWith;
using model::trimDbcs;

int systemPages(int used) { return used <= 0 ? 1 : (used - 1) / kStationsPerPage + 1; }

int ladderPages(int firstEmptyRow, bool comments)
{
    const int perPage = comments ? kLadderRowsWithComments : kLadderRowsPlain;
    return firstEmptyRow <= 0 ? 1 : (firstEmptyRow - 1) / perPage + 1;
}

int settingPages(int lines) { return lines <= 0 ? 1 : (lines - 1) / kSettingLinesPerPage + 1; }

int blockListPages(int bank) { return bank != 0 ? 2 : 3; }

std::string stampText(std::time_t stamp)
{
    std::tm t{};
    localtime_r(&stamp, &t);
    char text[40];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                  t.tm_hour, t.tm_min, t.tm_sec);
    return text;
}

std::string hexUpper(int value, int digits)
{
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, static_cast<unsigned>(value));
    return text;
}

std::string blockText(std::string_view code)
{
    if (code.size() < 5 || code[0] == '\0') return {};
    std::string text(code.substr(2, 3));
    text += '(';
    text += code.substr(0, 2);
    text += ')';
    return text;
}

std::string unquotedName(std::string_view definition)
{
    const std::string_view head = definition.substr(0, std::min<std::size_t>(definition.size(), 127));
    std::string name;
    bool quoted = false;
    for (char c : head) {
        if (c == '\0') break;
        if (c == '"') {
            quoted = !quoted;
            continue;
        }
        if (!quoted) name += c;
    }
    return name;
}

std::vector<std::string> commentLines(std::string_view comment)
{
    // The field is 160 bytes; nothing past it belongs to the comment.
    comment = comment.substr(0, std::min(comment.size(), kCommentBytes));
    if (const auto nul = comment.find('\0'); nul != std::string_view::npos) comment = comment.substr(0, nul);
    std::vector<std::string> lines;
    if (comment.empty()) return lines;
    std::size_t from = 0;
    for (;;) {
        const auto end = comment.find("\r\n", from);
        if (end == std::string_view::npos) {
            lines.emplace_back(comment.substr(from));
            return lines;
        }
        lines.emplace_back(comment.substr(from, end - from));
        from = end + 2;
    }
}

UnitHeader unitHeader(const model::UnitContext& unit)
{
    UnitHeader h;
    h.station = unit.g_curStation;
    h.card = unit.g_curCard;
    h.kindName = unit.unitKindName(unit.g_curStation, unit.g_curCard);
    h.version = std::string(unit.version());
    h.model = std::string(unit.model());
    h.unitTextFirst = static_cast<unsigned char>(unit.g_curUnitText[0]);
    return h;
}

std::string unitLine(const UnitHeader& unit)
{
    std::string line = "STATION:" + hexUpper(unit.station, 2) + "  CARD:";
    line += unit.card == 0 ? std::string("-") : hexUpper(unit.card - 1, 1);
    line += "  " + unit.kindName + "  " + unit.version;
    return line;
}

// ---- System configuration ----

namespace {

std::string trimRight(std::string_view text)
{
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.remove_suffix(1);
    return std::string(text);
}

std::string fourChars(std::string_view text)
{
    std::string v(text.substr(0, std::min<std::size_t>(text.size(), 4)));
    v.resize(4, ' ');
    return v;
}

SystemCell systemCell(const model::CardKindMaster& master, int kind, int version, bool station,
                      std::string_view unitText)
{
    SystemCell cell;
    if (kind <= 0 || kind >= model::kKindEntries) return cell;
    cell.used = true;
    const std::string& name = master.name[kind];
    if (station && startsWith(name, "RNH6"))
        cell.label = "RNH" + std::string(unitText.substr(0, std::min<std::size_t>(unitText.size(), 2)));
    else
        cell.label = trimRight(name);
    const std::string& v = version >= 0 && version < model::kKindVersions ? master.versions[kind][version] : std::string();
    cell.version = fourChars(v);
    return cell;
}

}  // namespace

SystemSnapshot snapshotSystem(const model::CardKindMasters& masters, const model::SystemConfigTables& tables)
{
    SystemSnapshot snap;
    for (int s = 0; s < model::kStations; ++s) {
        bool used = tables.stationKind[s] != 0;
        for (int c = 0; c < model::kCardSlots && !used; ++c) used = tables.cardKind[s][c] != 0;
        if (!used) continue;
        SystemRow row;
        row.station = s;
        row.cells[0] = systemCell(masters.station, tables.stationKind[s], tables.stationVersion[s], true,
                                  tables.stationUnitText[s]);
        for (int c = 0; c < model::kCardSlots; ++c)
            row.cells[c + 1] = systemCell(masters.card, tables.cardKind[s][c], tables.cardVersion[s][c], false, {});
        snap.rows.push_back(std::move(row));
    }
    return snap;
}

// ---- Function block list ----

int groupLabel(int group, int bank) { return bank != 0 ? model::GetSpecialBlockIndex(group) - 100 : group; }

BlockListSnapshot snapshotBlockList(model::UnitContext& unit, int bank, BlockNameCache* names)
{
    BlockListSnapshot snap;
    snap.unit = unitHeader(unit);
    snap.bank = bank;
    const std::string_view m = unit.model();
    snap.block0Hidden = (startsWith(m, "QV200W") || startsWith(m, "QV210W")) && snap.unit.unitTextFirst == 1;
    snap.modelCode = model::GetModelCode(m);
    for (int g = 0; g < model::kGroups; ++g) {
        snap.codes[g] = std::string(fieldView(unit.g_unitBlocks[g]));
        snap.valid[g] = unit.validBlockCount[g];
        if (snap.valid[g] <= 0 || snap.codes[g].size() < 5) continue;
        const std::string id = snap.codes[g].substr(2, 3);
        std::string key;
        if (names) {
            key = std::string(unit.model()) + '\0' + std::string(unit.version()) + '\0' + id;
            if (const auto it = names->find(key); it != names->end()) {
                snap.names[g] = it->second;
                continue;
            }
        }
        std::string name;
        unit.GetBlockName(unit.model(), unit.version(), id, name);
        snap.names[g] = trimDbcs(name, kBlockNameBytes);
        if (names) names->emplace(std::move(key), snap.names[g]);
    }
    return snap;
}

// ---- Function block settings ----

std::vector<SettingLine> settingLines(const model::UnitContext& unit, bool terminals)
{
    std::vector<SettingLine> lines;
    for (int i = 0; i < model::kItems; ++i) {
        const model::ItemDefinition& d = unit.itemDefinitions[i];
        const std::string_view type = fieldView(d.type);
        if (type.empty() || startsWith(type, "FA_") || startsWith(type, "NON")) continue;
        SettingLine line;
        line.kind = SettingLine::Item;
        line.number = i;
        line.name = trimDbcs(unquotedName(fieldView(d.name)), kItemNameBytes);
        const std::string_view unitText = fieldView(d.abbreviation);
        if (line.name.size() <= kItemNameWithUnitBytes && !unitText.empty())
            line.name += " (" + trimDbcs(unitText, 4) + ")";
        line.value = trimDbcs(fieldView(unit.blockItemData.items[i].data(), model::kItemSlot), 16);
        line.extra = trimDbcs(fieldView(d.unit), 8);
        lines.push_back(std::move(line));
    }
    if (!terminals) return lines;
    for (int t = 0; t < model::kTerminals; ++t) {
        const model::TerminalDefinition& d = unit.terminalDefinitions[t];
        const std::string_view type = fieldView(d.type);
        if (type.empty() || startsWith(type, "NON")) continue;
        SettingLine line;
        line.kind = SettingLine::Terminal;
        line.number = t;
        line.name = trimDbcs(fieldView(d.name), kTerminalNameBytes);
        const std::string_view second = fieldView(d.abbreviation);
        if (!second.empty()) line.name += " (" + trimDbcs(second, 4) + ")";
        line.value = trimDbcs(fieldView(unit.blockItemData.terminals[t].data(), model::kTermSlot), 20);
        lines.push_back(std::move(line));
    }
    return lines;
}

BlockSettingSnapshot snapshotBlockSetting(const model::UnitContext& unit, int bank, bool terminals)
{
    BlockSettingSnapshot snap;
    snap.unit = unitHeader(unit);
    snap.bank = bank;
    const int real = unit.realGroup();
    snap.groupLabel = real >= 0 ? groupLabel(real, bank) : unit.g_curGroup;
    if (real >= 0) snap.blockText = blockText(fieldView(unit.g_unitBlocks[real]));
    snap.lines = settingLines(unit, terminals);
    return snap;
}

std::vector<SettingPage> flowSettingPages(const std::vector<std::pair<int, std::vector<SettingLine>>>& groups)
{
    std::vector<SettingPage> pages(1);
    for (const auto& [bank, lines] : groups) {
        if (lines.empty()) continue;
        // A group needs its group line and one more on the page.
        if (kSettingLinesPerPage - static_cast<int>(pages.back().lines.size()) < 2) pages.emplace_back();
        if (pages.back().lines.empty()) pages.back().bank = bank;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (static_cast<int>(pages.back().lines.size()) == kSettingLinesPerPage) {
                pages.emplace_back();
                pages.back().bank = bank;
            }
            pages.back().lines.push_back(lines[i]);
        }
    }
    return pages;
}

SettingFlowSnapshot snapshotSettingFlow(model::UnitContext& unit, bool terminals)
{
    SettingFlowSnapshot snap;
    snap.unit = unitHeader(unit);
    const bool banked = snap.unit.banked();
    std::vector<std::pair<int, std::vector<SettingLine>>> groups;
    const int savedGroup = unit.g_curGroup, savedMode = unit.g_specialGroupMode;
    unit.g_specialGroupMode = 0;
    for (int bank : {0, 2}) {
        if (bank == 2 && !banked) break;
        for (int g = 0; g < model::kGroups; ++g) {
            if (fieldView(unit.g_unitBlocks[g]).empty()) continue;
            const bool special = model::GetSpecialBlockIndex(g) != 0;
            if (banked && (bank == 0) == special) continue;
            unit.g_curGroup = g;
            if (unit.LoadBlockItemList() != 0) continue;
            std::vector<SettingLine> lines = settingLines(unit, terminals);
            SettingLine head;
            head.kind = SettingLine::Group;
            head.number = groupLabel(g, bank);
            head.name = blockText(fieldView(unit.g_unitBlocks[g]));
            lines.insert(lines.begin(), head);
            groups.emplace_back(bank, std::move(lines));
        }
    }
    unit.g_curGroup = savedGroup;
    unit.g_specialGroupMode = savedMode;
    snap.pages = flowSettingPages(groups);
    return snap;
}

// ---- Sequential control blocks and ladder ----

SequenceSnapshot snapshotSequence(const model::UnitContext& unit)
{
    SequenceSnapshot snap;
    snap.unit = unitHeader(unit);
    model::SeqSteps steps;
    LoadSeqSteps(unit, steps);
    snap.steps = steps.g_stepTable;
    return snap;
}

int firstEmptyLadderRow(const ladder::LadderGrid& grid)
{
    for (int r = 0; r < ladder::kLadderRows; ++r) {
        bool empty = grid.g_ladderLinks[r] == 0 && grid.g_ladderCoils[r] <= 0;
        for (int c = 0; c < ladder::kLadderCols && empty; ++c) empty = grid.g_ladderCells[r][c] == ladder::kCellEmpty;
        if (empty) return r;
    }
    return ladder::kLadderRows;
}

namespace {

std::string ladderComment(model::UnitContext& unit, int32_t value)
{
    const int block = ladder::ValueBlock(value), terminal = ladder::ValueTerminal(value);
    char text[32] = {};
    KRAVinA_Data_Term_Get(block, terminal, text);
    std::string comment(fieldView(text, 20));
    if (comment.empty()) {
        char name[21] = {};
        model::GetBlockItemName(unit, block, terminal, name);
        comment = std::string(fieldView(name, 20));
    }
    return trimDbcs(comment, 20);
}

}  // namespace

LadderSnapshot snapshotLadder(model::UnitContext& unit, int group, const ladder::LadderGrid& grid, bool comments)
{
    LadderSnapshot snap;
    snap.unit = unitHeader(unit);
    snap.group = group;
    snap.comments = comments;
    snap.grid = grid;
    snap.firstEmpty = firstEmptyLadderRow(grid);
    if (!comments) return snap;
    snap.commentTexts.resize(ladder::kLadderRows);
    for (int r = 0; r < snap.firstEmpty; ++r) {
        for (int c = 0; c < ladder::kLadderCols; ++c)
            if (ladder::IsContact(grid.g_ladderCells[r][c]))
                snap.commentTexts[r][c] = ladderComment(unit, grid.g_ladderCells[r][c]);
        const int32_t coil = grid.g_ladderCoils[r];
        if (coil >= 70000 && coil < 120000) snap.commentTexts[r][ladder::kLadderCols] = ladderComment(unit, coil);
    }
    return snap;
}

CoverSnapshot snapshotCover(std::string_view projectName, std::string_view comment)
{
    return {std::string(projectName), commentLines(comment)};
}

}  // namespace kravin::print
