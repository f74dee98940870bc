#include "transfer_unit.h"

#include "KRAVinA.h"
#include "current_unit.h"
#include "validation.h"

#include <algorithm>
#include <array>

namespace kravin::online {

namespace {

std::string itemText(int group, int item)
{
    std::array<char, model::kItemSlot> slot{};
    KRAVinA_Data_Item_Get(group, item, slot.data());
    return std::string(model::fieldView(slot.data(), model::kItemBytes));
}

// An item of the selected block definition. A FLOAT value goes in the form the device
// gives back, so that what is sent, read back and compared is one text.
TransferItem copyItem(int group, int item)
{
    char type[KRAVINA_DEF_TYPE_SIZE] = {};
    KRAVinA_Block_Inf_Get(0, item, type, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    const std::string_view t = model::fieldView(type, sizeof type);
    return {item, model::FormatItemValue(t, itemText(group, item)), std::string(t)};
}

// The current unit (its blocks loaded) as the run sees it.
TransferCard copyCurrentCard(model::UnitContext& unit, bool v8rtu)
{
    TransferCard card;
    card.card = unit.libraryCard();
    card.model = std::string(unit.model());
    card.model.resize(8, ' ');
    card.version = std::string(unit.version());
    card.unitText = std::string(unit.g_curUnitText.data(), unit.g_curUnitText.size());
    card.irCard = KRAVinA_IRCardName_Comp(card.model.c_str(), unit.tableFolder.c_str()) == 1;
    card.unitId = itemText(0, 52).substr(0, 4);
    for (int g = 0; g < model::kGroups; ++g) {
        TransferGroup group;
        group.group = g;
        group.hasBlock = unit.g_unitBlocks[g][0] != 0;
        if (group.hasBlock) {
            if (unit.SelectGroupDefinition(g) == 0) {
                int pos = -1;
                while (unit.FindNextEditableItem(v8rtu ? 1 : 0, g, &pos) == 0)
                    if (!IsDeviceControlItem(g, pos)) group.items.push_back(copyItem(g, pos));
            }
        } else if (unit.validBlockCount[g] <= 0) {
            continue;
        }
        group.item10 = itemText(g, 10);
        card.groups.push_back(std::move(group));
    }
    return card;
}

}  // namespace

bool IsDeviceControlItem(int group, int item) { return group == 0 && (item == 0 || item == 1); }

const TransferGroup* TransferCard::find(int group) const
{
    for (const TransferGroup& g : groups)
        if (g.group == group) return &g;
    return nullptr;
}

std::optional<int> CardCountOfUnitText(const std::string& unitText)
{
    if (unitText.empty()) return std::nullopt;
    const char c = unitText[0];
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return std::nullopt;
}

TransferUnitResult CopyTransferUnit(model::UnitContext& unit)
{
    TransferUnitResult r;
    if (unit.g_curStation < 0 || unit.g_curCard < 0) return r;
    // The library's unit image is put back as it was when the copy is done.
    const model::UnitImageGuard image;
    const int station = unit.g_curStation;
    const int startCard = unit.g_curCard;
    unit.SelectCurrentUnit();
    TransferUnit t;
    t.station = station;
    t.startCard = startCard;
    t.v8rtu = unit.modelStartsWith("V8RTU");
    std::string station51;
    if (t.v8rtu) {
        const std::string& text = unit.tables.stationUnitText[static_cast<std::size_t>(station)];
        const std::optional<int> count = CardCountOfUnitText(text);
        if (!count) {
            r.messageId = kMsgBadCardCount;
            return r;
        }
        t.cardCount = *count;
        t.v8rtuStation = startCard == 0;
    }
    // Item 51 of the station (the end-of-card write of some models).
    {
        unit.g_curCard = 0;
        unit.SelectCurrentUnit();
        unit.LoadUnitBlocks(1);
        station51 = itemText(0, 51);
    }
    std::vector<int> cards;
    if (t.v8rtuStation) {
        for (int c = 1; c <= t.cardCount; ++c) cards.push_back(c);
    } else if (t.v8rtu && startCard <= 1) {
        cards.push_back(1);
    } else {
        cards.push_back(startCard);
    }
    for (int c : cards) {
        unit.g_curCard = c;
        unit.SelectCurrentUnit();
        unit.LoadUnitBlocks(1);
        TransferCard card = copyCurrentCard(unit, t.v8rtu);
        card.item51 = station51;
        t.cards.push_back(std::move(card));
    }
    unit.g_curStation = station;
    unit.g_curCard = startCard;
    unit.SelectCurrentUnit();
    unit.LoadUnitBlocks(1);
    if (unit.g_curGroup >= 0) unit.LoadBlockItemList();
    r.unit = std::move(t);
    return r;
}

std::optional<TransferCard> CopyTransferGroup(model::UnitContext& unit, int realGroup)
{
    if (unit.g_curStation < 0 || unit.g_curCard < 0 || realGroup < 0 || realGroup >= model::kGroups) return std::nullopt;
    const model::UnitImageGuard image;
    const int card = unit.g_curCard;
    const bool v8rtu = unit.modelStartsWith("V8RTU");
    std::string station51;
    unit.g_curCard = 0;
    unit.SelectCurrentUnit();
    unit.LoadUnitBlocks(1);
    station51 = itemText(0, 51);
    unit.g_curCard = card;
    unit.SelectCurrentUnit();
    unit.LoadUnitBlocks(1);
    TransferCard c;
    c.card = unit.libraryCard();
    c.model = std::string(unit.model());
    c.model.resize(8, ' ');
    c.version = std::string(unit.version());
    c.unitText = std::string(unit.g_curUnitText.data(), unit.g_curUnitText.size());
    c.irCard = KRAVinA_IRCardName_Comp(c.model.c_str(), unit.tableFolder.c_str()) == 1;
    c.unitId = itemText(0, 52).substr(0, 4);
    c.item51 = station51;
    TransferGroup g;
    g.group = realGroup;
    g.hasBlock = unit.g_unitBlocks[realGroup][0] != 0;
    if (g.hasBlock && unit.SelectGroupDefinition(realGroup) == 0) {
        int pos = -1;
        while (unit.FindNextEditableItem(v8rtu ? 1 : 0, realGroup, &pos) == 0)
            if (!IsDeviceControlItem(realGroup, pos)) g.items.push_back(copyItem(realGroup, pos));
    }
    g.item10 = itemText(realGroup, 10);
    c.groups.push_back(std::move(g));
    unit.LoadBlockItemList();
    return c;
}

}  // namespace kravin::online
