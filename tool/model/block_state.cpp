#include "block_state.h"

#include "KRAVinA.h"

#include <cstring>

namespace kravin::model {

namespace {

constexpr int kFirstSeqGroup = 81;
constexpr int kLastSeqGroup = 92;

void setItem(int block, int item, std::string_view text)
{
    std::array<char, kItemBytes + 4> v{};
    std::memcpy(v.data(), text.data(), std::min(text.size(), std::size_t(kItemBytes)));
    KRAVinA_Data_Item_Set(block, item, v.data());
}

}  // namespace

CurrentBlockState BlockStateFor(int block)
{
    CurrentBlockState s;
    s.block = block;
    s.kindTables = s.commRebuild = block >= kFirstCommTerminal && block <= kLastCommTerminal;
    s.seqReload = block >= kFirstSeqGroup && block <= kLastSeqGroup;
    return s;
}

int PlacedCodeKind(std::string_view id)
{
    id = id.substr(0, 3);
    if (id == "CDI") return 1;
    if (id == "CDO") return 2;
    if (id == "CAI") return 3;
    if (id == "CAO") return 4;
    return 0;
}

bool StorePlacedKind(CommLinkTable& table, int station, int libraryCard, int block, int kind)
{
    CommLinkTerminal* t = table.terminal(station, libraryCard, block);
    if (!t) return false;
    t->kind = static_cast<std::uint8_t>(kind);
    table.flags[static_cast<std::size_t>(station)][static_cast<std::size_t>(libraryCard + 1)]
        .kind[static_cast<std::size_t>(block - kFirstCommTerminal)] = static_cast<std::uint8_t>(kind);
    return true;
}

void RebuildCommTableKeepingUnit(UnitContext& unit, CommLinkTable& table, const ProgressStep& step)
{
    const int station = unit.g_curStation, card = unit.g_curCard;
    const int group = unit.g_curGroup;
    BuildCommConnectionTable(unit, table, step);
    unit.g_curStation = station;
    unit.g_curCard = card;
    unit.g_curGroup = group;
    if (station < 0 || card < 0) return;
    unit.SelectCurrentUnit();
    unit.LoadUnitBlocks(1);
}

int FindTqrcParentCard(const UnitContext& unit)
{
    if (!unit.modelStartsWith("TQRC$")) return -1;
    for (int c = unit.g_curCard - 1; c >= 1; --c)
        if (startsWith(unit.unitKindName(unit.g_curStation, c), "TQRC ")) return c;
    return -1;
}

TqrcSlotItems TqrcSlotItemsFor(int slotCard, int parentCard, int group)
{
    const int offset = (slotCard - parentCard) * 17;
    return {offset - 6, group + offset - 16};
}

bool SetTqrcSlotItems(const TqrcSlotItems& items, std::string_view id, bool apply)
{
    const auto inRange = [](int item) { return item >= 0 && item < kBlockItems; };
    bool changed = false;
    if (inRange(items.mode)) {
        char v[KRAVINA_UNIT_ITEM_SIZE + 1] = {};
        KRAVinA_Data_Item_Get(1, items.mode, v);
        if (std::strcmp(v, "00") == 0) {
            if (apply) setItem(1, items.mode, id.substr(0, 3) == "CAI" ? "33" : "34");
            changed = true;
        }
    }
    if (inRange(items.group)) {
        char v[KRAVINA_UNIT_ITEM_SIZE + 1] = {};
        KRAVinA_Data_Item_Get(1, items.group, v);
        if (v[0] == '9') {
            if (apply) setItem(1, items.group, "000000");
            changed = true;
        }
    }
    return changed;
}

CurrentCardSwitch::CurrentCardSwitch(UnitContext& unit, int card)
    : unit_(unit), card_(unit.g_curCard)
{
    unit_.g_curCard = card;
    unit_.SelectCurrentUnit();
    unit_.LoadUnitBlocks(1);
}

CurrentCardSwitch::~CurrentCardSwitch()
{
    unit_.g_curCard = card_;
    unit_.SelectCurrentUnit();
    unit_.LoadUnitBlocks(1);
}

}  // namespace kravin::model
