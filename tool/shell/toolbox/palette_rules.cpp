#include "palette_rules.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <filesystem>

namespace kravin::shell {

namespace {

std::string trimmed(const std::string& s)
{
    const auto end = s.find_last_not_of(' ');
    const auto begin = s.find_first_not_of(' ');
    return end == std::string::npos ? std::string() : s.substr(begin, end - begin + 1);
}

bool startsWith(const std::string& s, std::string_view prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

// A number at the start of a version text ("1.20"), 0 when none.
float versionValue(const std::string& text)
{
    float v = 0;
    const char* b = text.data();
    std::from_chars(b, b + text.size(), v);
    return v;
}

std::string lower(std::string s)
{
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The entry of folder named name in any case.
std::optional<std::filesystem::path> findEntry(const std::filesystem::path& folder, const std::string& name)
{
    std::error_code ec;
    const std::filesystem::path exact = folder / name;
    if (std::filesystem::exists(exact, ec)) return exact;
    const std::string want = lower(name);
    for (const auto& e : std::filesystem::directory_iterator(folder, ec))
        if (lower(e.path().filename().string()) == want) return e.path();
    return std::nullopt;
}

bool safeName(const std::string& s)
{
    return s.find('/') == std::string::npos && s.find('\\') == std::string::npos && s.find("..") == std::string::npos &&
           s.find('\0') == std::string::npos;
}

}  // namespace

std::string HighestVersionText(const std::array<std::string, model::kKindVersions>& versions)
{
    float best = 0;
    bool any = false;
    for (const std::string& v : versions) {
        if (v.empty()) break;
        const float value = versionValue(v);
        if (!any || value > best) best = value;
        any = true;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", static_cast<double>(any ? best : 0.0f));
    return text;
}

std::string MasterVersionText(const std::array<std::string, model::kKindVersions>& versions, const std::string& code)
{
    for (const std::string& v : versions) {
        if (v.empty()) break;
        char text[32];
        std::snprintf(text, sizeof text, "%.2f", static_cast<double>(versionValue(v)));
        if (code == text) return v;
    }
    return code;
}

std::vector<PaletteCategory> SystemPaletteCategories(const model::CardKindMasters& masters)
{
    std::vector<PaletteCategory> out(2);
    out[0].bitmap = kStationCategoryBitmap;
    out[1].bitmap = kCardCategoryBitmap;
    const auto fill = [](const model::CardKindMaster& master, PaletteCategory& cat, int id, bool card) {
        for (int k = 1; k < model::kKindEntries && !master.name[static_cast<std::size_t>(k)].empty(); ++k) {
            const std::string& name = master.name[static_cast<std::size_t>(k)];
            if (card && (startsWith(name, "TQRQ$   ") || startsWith(name, "TQRC$   "))) continue;
            cat.items.push_back({trimmed(name), HighestVersionText(master.versions[static_cast<std::size_t>(k)]), id});
        }
    };
    fill(masters.station, out[0], kStationModelItem, false);
    fill(masters.card, out[1], kCardModelItem, true);
    return out;
}

bool SystemDropAllowed(const SystemDropPoint& p, int itemId)
{
    if (itemId == kStationModelItem ? !p.leftOfCardArea || p.card != 0 : !p.inCardArea || p.card < 1) return false;
    if (p.x <= 0 || p.x >= p.width || p.y <= 0 || p.y >= p.height) return false;
    if (p.station < 0 || p.card < 0) return false;
    if (p.card > 0 && p.slotHasKind) {
        const std::string m = p.model + std::string(5, '\0');
        const bool virtualOrSub = m.compare(0, 5, "TQRQ$") == 0 || m.compare(0, 5, "TQRC$") == 0 ||
                                  m.compare(0, 5, std::string("TQRJ\0", 5)) == 0 ||
                                  m.compare(0, 5, std::string("TQRN\0", 5)) == 0 || m.compare(0, 4, "TQRQ") == 0;
        if (!virtualOrSub) return false;
    }
    // Only a free cell takes a model.
    return trimmed(p.model).empty();
}

std::vector<PaletteCategory> BlockListPaletteCategories(const std::array<std::vector<std::string>, 100>& validBlocks)
{
    return BuildCodeCategories(validBlocks, ExclusionListB());
}

bool BlockListDropAllowed(int group, bool groupEmpty, const std::vector<std::string>& validCodes,
                          const PaletteItem& item)
{
    if (group < 0 || group >= 100 || !groupEmpty) return false;
    const std::string code = item.code + item.name;
    return code.size() == 5 && std::find(validCodes.begin(), validCodes.end(), code) != validCodes.end();
}

std::string BlockListFunctionName(const PaletteItem& item) { return item.name + "(" + item.code + ")"; }

std::vector<PaletteCategory> LadderPaletteCategories(bool japanese)
{
    using namespace laddercmd;
    struct Element {
        int id;
        const char* en;
        const char* ja;
    };
    static const Element kElements[] = {
        {NoContact, "N.O.\nContact", "a接点"},     {NcContact, "N.C.\nContact", "b接点"},
        {OutputCoil, "Output\nCoil", "出力\nコイル"}, {OutputNot, "Output\n(NOT)", "出力\n(NOT)"},
        {SetCoil, "SET\nCoil", "SET\nコイル"},      {ResetCoil, "RESET\nCoil", "RESET\nコイル"},
        {OneShot, "One Shot\nCoil", "ワンショット\nコイル"}, {Branch, "Branch", "分岐"},
        {Step, "Step", "ステップ"},                 {Timer, "Timer", "タイマ"},
        {Line, "Line", "ライン"},                   {Or, "OR", "OR"},
    };
    PaletteCategory cat;
    cat.bitmap = kLadderCategoryBitmap;
    for (const Element& e : kElements) cat.items.push_back({japanese ? e.ja : e.en, std::string(), e.id});
    return {cat};
}

bool LadderDropAllowed(int command, const LadderDropCell& c)
{
    using namespace laddercmd;
    if (!c.view || c.online || c.column < 0 || c.row < 0) return false;
    switch (command) {
    case Step:
    case Timer: return c.column == 0;
    case NoContact:
    case NcContact: return c.column != 8;
    case Or: return c.column >= 1 && c.row + c.scrollRequest > 0 && c.column - 1 < 8 && !(c.links >> (c.column - 1) & 1);
    default: return true;
    }
}

bool LadderPaletteTarget::hitTest(int x, int y) const
{
    int column = -1, row = -1;
    return !host_.online() && host_.cellAt(x, y, column, row);
}

bool LadderPaletteTarget::accepts(int x, int y, const PaletteItem& item)
{
    LadderDropCell cell;
    cell.online = host_.online();
    if (cell.online || !host_.cellAt(x, y, cell.column, cell.row)) return false;
    int column = -1, row = -1;
    host_.cursor(column, row);
    if (column != cell.column || row != cell.row) host_.moveCursor(cell.column, cell.row);
    cell.scrollRequest = host_.scrollRequest();
    cell.links = host_.links(cell.row);
    return LadderDropAllowed(item.id, cell);
}

void LadderPaletteTarget::drop(int x, int y, const PaletteItem& item)
{
    if (accepts(x, y, item)) host_.runCommand(item.id);
}

std::optional<std::string> FindHelpFile(const std::string& helpDir, HelpKind kind, const std::string& name,
                                        const std::string& model)
{
    const std::string n = trimmed(name), m = trimmed(model);
    if (n.empty() || !safeName(n) || !safeName(m)) return std::nullopt;
    const auto folder = findEntry(helpDir, kind == HelpKind::Terminal ? "Terminal" : "Item");
    if (!folder) return std::nullopt;
    std::vector<std::string> names;
    if (kind == HelpKind::Item && !m.empty()) names.push_back(n + "_" + m + ".pdf");
    names.push_back(n + ".pdf");
    for (const std::string& file : names) {
        std::error_code ec;
        if (const auto path = findEntry(*folder, file); path && std::filesystem::is_regular_file(*path, ec))
            return path->string();
    }
    return std::nullopt;
}

}  // namespace kravin::shell
