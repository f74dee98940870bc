#include "current_unit.h"

#include "KRAVinA.h"

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

namespace kravin::model {
namespace {

template <std::size_t N>
void setField(std::array<char, N>& field, std::string_view text)
{
    field.fill(0);
    std::memcpy(field.data(), text.data(), std::min(text.size(), N));
}

// A folder exists; the last component is matched whatever its case when the exact
// spelling is missing (tables copied from Windows keep their own spelling).
bool folderExists(const std::string& parent, const std::string& name)
{
    struct stat st;
    if (::stat((parent + name).c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    DIR* dir = ::opendir(parent.c_str());
    if (!dir) return false;
    bool found = false;
    while (const dirent* e = ::readdir(dir)) {
        if (::strcasecmp(e->d_name, name.c_str()) == 0 &&
            ::stat((parent + e->d_name).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            found = true;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

// The folder of a model's definitions below the table folder, "" when the name is unusable.
std::string modelFolder(std::string_view model)
{
    std::string m(model.substr(0, std::min<std::size_t>(model.size(), 8)));
    const auto end = std::find_if(m.begin(), m.end(), [](char c) { return static_cast<unsigned char>(c) <= ' '; });
    m.erase(end, m.end());
    if (m.empty() || m.find('/') != std::string::npos || m == "." || m == "..") return {};
    return m;
}

}  // namespace

std::string_view fieldView(const char* field, std::size_t width)
{
    return std::string_view(field, strnlen(field, width));
}

void TrimLeadingBlanks20(char* field)
{
    char copy[20];
    std::memcpy(copy, field, 20);
    std::size_t first = 0;
    while (first < 20 && copy[first] == ' ') ++first;
    std::memset(field, 0, 20);
    std::memcpy(field, copy + first, 20 - first);
}

UnitContext::UnitContext(const CardKindMasters& m, SystemConfigTables& t, std::string tables_, std::string work)
    : masters(m), tables(t), tableFolder(std::move(tables_)), workFolder(std::move(work))
{
    if (!tableFolder.empty() && tableFolder.back() != '/') tableFolder += '/';
    clearDefinitions();
}

int UnitContext::realGroup() const { return realGroup(g_curGroup); }

int UnitContext::realGroup(int group) const
{
    if (g_specialGroupMode) {
        if (group < 1 || group > static_cast<int>(SpecialGroupTable.size())) return -1;
        return SpecialGroupTable[group - 1];
    }
    return group >= 0 && group < kGroups ? group : -1;
}

bool UnitContext::modelStartsWith(std::string_view prefix) const { return startsWith(model(), prefix); }

bool UnitContext::isSpecialPwzGroup(int group) const
{
    return modelStartsWith("PWZ") &&
           std::find(SpecialGroupTable.begin(), SpecialGroupTable.end(), group) != SpecialGroupTable.end();
}

std::string UnitContext::blockId(int group) const
{
    if (group < 0 || group >= kGroups || g_unitBlocks[group][0] == 0) return {};
    return std::string(fieldView(g_unitBlocks[group].data() + 2, 3));
}

int UnitContext::unitKind(int station, int card) const
{
    if (station < 0 || station >= kStations || card < 0 || card > kCardSlots) return 0;
    return card == 0 ? tables.stationKind[station] : tables.cardKind[station][card - 1];
}

int UnitContext::unitVersionIndex(int station, int card) const
{
    if (station < 0 || station >= kStations || card < 0 || card > kCardSlots) return 0;
    return card == 0 ? tables.stationVersion[station] : tables.cardVersion[station][card - 1];
}

std::string UnitContext::unitKindName(int station, int card) const
{
    const int k = unitKind(station, card);
    if (k <= 0 || k >= kKindEntries) return {};
    return card == 0 ? masters.station.name[k] : masters.card.name[k];
}

void UnitContext::SelectCurrentUnit()
{
    g_curModel.fill(0);
    g_curUnitText.fill(0);
    g_curVersion.fill(0);
    const int kind = unitKind(g_curStation, g_curCard);
    if (kind <= 0 || kind >= kKindEntries) return;
    const CardKindMaster& master = g_curCard == 0 ? masters.station : masters.card;
    setField(g_curModel, master.name[kind]);
    setField(g_curUnitText, g_curCard == 0 ? tables.stationUnitText[g_curStation]
                                           : tables.cardUnitText[g_curStation][g_curCard - 1]);
    const int v = unitVersionIndex(g_curStation, g_curCard);
    if (v >= 0 && v < kKindVersions) setField(g_curVersion, master.versions[kind][v].substr(0, 4));
}

int UnitContext::ReadUnitImage(std::array<char, kUnitHeadSize>& head) const
{
    head.fill(0);
    return KRAVinA_Data_Get(g_curStation, libraryCard(), head.data(), workFolder.c_str());
}

void UnitContext::LoadBlockCodes(std::array<char, kUnitHeadSize>& head)
{
    ReadUnitImage(head);
    for (int g = 0; g < kGroups; ++g) {
        g_unitBlocks[g].fill(0);
        std::memcpy(g_unitBlocks[g].data(), head.data() + 5 * g, 5);
    }
}

void UnitContext::LoadUnitBlocks(int withCodes)
{
    for (auto& a : analogMap) std::memset(&a, 0xFF, sizeof a);
    g_unitBlocks = {};
    validBlocks = {};
    validBlockCount = {};
    const std::string m(model()), v(version());
    for (int g = 0; g < kGroups; ++g) {
        char list[KRAVINA_GROUP_BUFFER_SIZE] = {};
        const int n = KRAVinA_Valid_Block_Get(g == 0 ? 1 : 0, m.c_str(), v.c_str(), g, list, tableFolder.c_str());
        validBlockCount[g] = std::clamp(n, 0, kValidCodesMax);
        std::memcpy(validBlocks[g].data(), list, sizeof list);
    }
    if (withCodes) {
        std::array<char, kUnitHeadSize> head;
        LoadBlockCodes(head);
        for (int g = modelStartsWith("V8RTU") ? 0 : 1; g < kGroups; ++g)
            if (g_unitBlocks[g][0] != 0) AnalyzeAnacomBlocks(g);
    }
    if ((modelStartsWith("QV200W") || modelStartsWith("QV210W")) && g_curUnitText[0] == 1) {
        for (int g = 1; g <= 5; ++g) {
            g_unitBlocks[g].fill(0);
            validBlocks[g].fill(0);
            validBlockCount[g] = 0;
        }
    }
}

int UnitContext::ResolveBlockDefVersion(int station, int card, std::string_view modelName,
                                        std::string& outVersion) const
{
    const int kind = unitKind(station, card);
    if (kind <= 0 || kind >= kKindEntries) return -1;
    const CardKindMaster& master = card == 0 ? masters.station : masters.card;
    const std::string folder = modelFolder(modelName);
    std::string tried;
    for (int v = std::max(0, unitVersionIndex(station, card)); v < kKindVersions; ++v) {
        const std::string& text = master.versions[kind][v];
        if (text.empty()) break;
        tried = text;
        if (folder.empty() || text.size() < 4) continue;
        const std::string sub{text[0], text[2], text[3]};
        if (folderExists(tableFolder, folder) && folderExists(tableFolder + folder + "/", sub)) {
            outVersion = text;
            return 0;
        }
    }
    outVersion = tried;
    return -1;
}

int UnitContext::selectResolved(int station, int card, std::string_view modelName, std::string_view versionText,
                                std::string_view blockId3) const
{
    std::string resolved;
    if (ResolveBlockDefVersion(station, card, modelName, resolved) != 0) resolved = std::string(versionText);
    const std::string m(modelName.substr(0, std::min<std::size_t>(modelName.size(), 8)));
    const std::string id(blockId3.substr(0, std::min<std::size_t>(blockId3.size(), 3)));
    return KRAVinA_Block_Inf_Select(m.c_str(), resolved.c_str(), id.c_str(), tableFolder.c_str());
}

int UnitContext::SelectBlockDefinition(std::string_view modelName, std::string_view versionText,
                                       std::string_view blockId3) const
{
    return selectResolved(g_curStation, g_curCard, modelName, versionText, blockId3);
}

int UnitContext::SelectMonitorBlockDefinition(std::string_view modelName, std::string_view versionText,
                                              std::string_view blockId3) const
{
    return selectResolved(monitorTarget.station, monitorTarget.card, modelName, versionText, blockId3);
}

int UnitContext::GetBlockName(std::string_view modelName, std::string_view versionText, std::string_view blockId3,
                              std::string& out) const
{
    std::string resolved;
    if (ResolveBlockDefVersion(g_curStation, g_curCard, modelName, resolved) != 0) resolved = std::string(versionText);
    const std::string m(modelName.substr(0, std::min<std::size_t>(modelName.size(), 8)));
    const std::string id(blockId3.substr(0, std::min<std::size_t>(blockId3.size(), 3)));
    char name[KRAVINA_BLOCK_NAME_SIZE] = {};
    const int r = KRAVinA_Block_Name_Get(m.c_str(), resolved.c_str(), id.c_str(), name, tableFolder.c_str());
    out = r == 0 ? std::string(fieldView(name, sizeof name)) : std::string();
    return r;
}

int UnitContext::SelectGroupDefinition(int group) const
{
    const std::string id = blockId(group);
    if (id.empty()) return -1;
    return SelectBlockDefinition(model(), version(), id);
}

void UnitContext::clearDefinitions()
{
    std::memset(itemDefinitions.data(), 0, sizeof itemDefinitions);
    std::memset(terminalDefinitions.data(), 0, sizeof terminalDefinitions);
    itemCount = 0;
    terminalCount = 0;
}

void UnitContext::readDefinitionLines(bool count)
{
    int items = 0, terms = 0;
    for (int i = 0; i < kItems; ++i) {
        ItemDefinition& d = itemDefinitions[i];
        std::memset(&d, 0, sizeof d);
        char extra[KRAVINA_DEF_EXTRA_SIZE] = {};
        KRAVinA_Block_Inf_Get(0, i, d.type, d.name, d.abbreviation, d.unit, d.defaultValue, d.range, extra);
        const std::string_view t = fieldView(d.type);
        if (!t.empty() && !startsWith(t, "NON") && !startsWith(t, "FA_")) ++items;
    }
    if (!count) return;
    for (int i = 0; i < kTerminals; ++i) {
        TerminalDefinition& d = terminalDefinitions[i];
        std::memset(&d, 0, sizeof d);
        KRAVinA_Block_Inf_Get(1, i, d.type, d.name, d.abbreviation, nullptr, nullptr, nullptr, d.number);
        // A line the table leaves out is not in use either.
        if (!fieldView(d.type).empty() && !startsWith(fieldView(d.type), "NON")) ++terms;
    }
    itemCount = items;
    terminalCount = terms;
}

void UnitContext::readGroupValues(int group)
{
    for (int i = 0; i < kItems; ++i) {
        auto& slot = blockItemData.items[i];
        slot.fill(0);
        KRAVinA_Data_Item_Get(group, i, slot.data());
        blockItemData.savedItems[i] = slot;
    }
}

int UnitContext::LoadBlockItemList()
{
    const int r = realGroup();
    if (r < 0 || SelectGroupDefinition(r) != 0) {
        // No definition: nothing of the block shown before may stay behind.
        clearDefinitions();
        blockItemData = BlockItemData{};
        g_blockEditMode = 0;
        firstVisibleRow = firstVisibleSpare = 0;
        return -1;
    }
    readDefinitionLines(true);
    if (itemCount == 0 && terminalCount == 0) {
        blockItemData = BlockItemData{};
        return -1;
    }
    g_blockEditMode = itemCount == 0 ? 1 : 0;
    firstVisibleRow = firstVisibleSpare = 0;

    if (g_curGroup < 2 && modelStartsWith("V8RTU") && g_curCard > 1) {
        // The remote I/O station's shared items live on its first card.
        UnitImageGuard keep;
        const int card = g_curCard;
        g_curCard = 1;
        LoadUnitBlocks(1);
        readGroupValues(r);
        g_curCard = card;
        LoadUnitBlocks(1);
        SelectGroupDefinition(r);
    } else {
        readGroupValues(r);
    }

    if (seqBlockMode == 1 && openAtStep >= 0) {
        char key[8] = {};
        std::snprintf(key, sizeof key, "1300%02d", openAtStep % 100);
        int shown = 0;
        for (int i = 0; i < kItems; ++i) {
            const std::string_view t = fieldView(itemDefinitions[i].type);
            if (t.empty() || startsWith(t, "NON") || startsWith(t, "FA_")) continue;
            if (std::memcmp(blockItemData.items[i].data(), key, 6) == 0) {
                firstVisibleRow = shown;
                break;
            }
            ++shown;
        }
        firstVisibleRow = std::max(0, std::min(firstVisibleRow, itemCount - 10));
    }

    for (int j = 0; j < kTerminals; ++j) {
        auto& slot = blockItemData.terminals[j];
        slot.fill(0);
        KRAVinA_Data_Term_Get(r, j, slot.data());
        blockItemData.savedTerminals[j] = slot;
    }
    return 0;
}

int UnitContext::LoadBlockDefinition(std::string_view modelName, std::string_view versionText,
                                     std::string_view blockId3)
{
    if (SelectBlockDefinition(modelName, versionText, blockId3) != 0) {
        clearDefinitions();
        return -1;
    }
    readDefinitionLines(false);
    return 0;
}

void UnitContext::SnapshotGroupData()
{
    const int r = realGroup();
    if (r < 0 || SelectGroupDefinition(r) != 0) return;
    snapshot.group = r;
    snapshot.code = g_unitBlocks[r];
    for (int i = 0; i < kItems; ++i) {
        snapshot.items[i].fill(0);
        KRAVinA_Data_Item_Get(r, i, snapshot.items[i].data());
    }
    for (int j = 0; j < kTerminals; ++j) {
        snapshot.terminals[j].fill(0);
        KRAVinA_Data_Term_Get(r, j, snapshot.terminals[j].data());
    }
}

void UnitContext::WriteItemDefaults(int group)
{
    if (group < 0 || group >= kGroups) return;
    if (LoadBlockDefinition(model(), version(), blockId(group)) != 0) {
        const char zeros[20] = {};
        for (int i = 0; i < kItems; ++i) KRAVinA_Data_Item_Set(group, i, zeros);
        return;
    }
    for (int i = 0; i < kItems; ++i) {
        const ItemDefinition& d = itemDefinitions[i];
        if (fieldView(d.type).empty() || startsWith(fieldView(d.type), "NON")) continue;
        char value[20] = {};
        std::memcpy(value, d.defaultValue, std::min(sizeof value, fieldView(d.defaultValue).size()));
        KRAVinA_Data_Item_Set(group, i, value);
    }
}

int UnitContext::FindNextEditableItem(int mode, int group, int* pos) const
{
    if (!pos || group < 0 || group >= kGroups || g_unitBlocks[group][0] == 0) return -1;
    for (int i = std::max(*pos + 1, 0); i < kItems; ++i) {
        if (mode == 1 && group == 0 && (i == 51 || i == 52)) {
            *pos = i;
            return 0;
        }
        char type[KRAVINA_DEF_TYPE_SIZE] = {};
        KRAVinA_Block_Inf_Get(0, i, type, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
        const std::string_view t = fieldView(type);
        if (!t.empty() && !startsWith(t, "FA_") && !startsWith(t, "NON") && !(group == 0 && i == 97)) {
            *pos = i;
            return 0;
        }
    }
    return -1;
}

void UnitContext::ClearUnit(int keepLayout)
{
    const int s = g_curStation;
    const int card = g_curCard;
    if (s < 0 || s >= kStations || card < 0 || card > kCardSlots) return;
    if (keepLayout == 0)
        for (int g = 1; g < kGroups; ++g) KRAVinA_Data_XY_Set(g, 0, 0);

    auto clearSlot = [&](int slot, bool clearText) {   // slot 1..16
        if (slot < 1 || slot > kCardSlots) return;     // never past the station's last slot
        tables.cardKind[s][slot - 1] = 0;
        tables.cardVersion[s][slot - 1] = 0;
        tables.cardX[s][slot - 1] = 0;
        tables.cardY[s][slot - 1] = 0;
        if (clearText) tables.cardUnitText[s][slot - 1].clear();
        tables.forgetUnresolved(s, slot - 1);
    };

    if (card > 0) {
        tables.cardKind[s][card - 1] = 0;
        tables.cardVersion[s][card - 1] = 0;
        if (keepLayout == 0) {
            tables.cardX[s][card - 1] = 0;
            tables.cardY[s][card - 1] = 0;
        }
        tables.forgetUnresolved(s, card - 1);
        const std::string_view m = model();
        if ((startsWith(m, "TQRQ") || startsWith(m, "TQRC")) && (m.size() < 5 || m[4] != '$')) {
            for (int k = 0; k < 5; ++k)
                if (g_curUnitText[k] == '1') clearSlot(card + 1 + k, false);
        }
        if (startsWith(m, "QV200W") || startsWith(m, "QV210W")) clearSlot(card + 1, true);
    } else {
        tables.stationKind[s] = 0;
        tables.stationVersion[s] = 0;
        tables.forgetUnresolved(s, -1);
        if (modelStartsWith("V8RTU")) {
            tables.stationUnitText[s].clear();
            const int n = std::max(0, hexDigitValue(g_curUnitText[0]));
            for (int k = 1; k <= n; ++k) clearSlot(k, false);
        }
    }

    if (keepLayout == 0) {
        for (int c = KRAVINA_DCON_FIRST_TERMINAL; c <= KRAVINA_DCON_LAST_TERMINAL; ++c) {
            int points = 0, value = 0, colour = 0, kind = 0;
            char text[KRAVINA_CONNECTION_TEXT_SIZE] = {};
            if (KRAVinA_Dcon_Get(s, card - 1, c, &points, &value, &colour, &kind, text, workFolder.c_str()) != 0)
                continue;
            KRAVinA_Dcon_Write(s, card - 1, c, 0, value, colour, kind, text, workFolder.c_str());
        }
        for (const char* layer : {"AC_COM", "AC_TENBYOU"}) {
            char name[64];
            std::snprintf(name, sizeof name, "%s%.2i%.2i%s", layer, s, card, ".KRAB");
            std::remove((workFolder + "/" + name).c_str());
        }
        KRAVinA_CD_Delete(s, card - 1);
    }
}

// ---- UnitImageGuard ----

namespace {
constexpr int kImageBlocksSize = KRAVINA_UNIT_FILE_SIZE - KRAVINA_UNIT_HEAD_SIZE;
}

// The copy is filled by the library before it is read: no need to clear it first.
UnitImageGuard::UnitImageGuard() : blocks_(new char[kImageBlocksSize])
{
    KRAVinA_Data_Blocks_Get(blocks_.get(), kImageBlocksSize);
}

UnitImageGuard::~UnitImageGuard()
{
    KRAVinA_Data_Blocks_Set(blocks_.get(), kImageBlocksSize);
}

}  // namespace kravin::model
