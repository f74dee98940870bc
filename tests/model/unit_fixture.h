// A project folder on the sample tables with a few placed units, for the tests of
// the current unit, the step table, validation and the connection services.
#pragma once

#include "KRAVinA.h"
#include "current_unit.h"
#include "system_config.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace kravin::test {

inline std::string sampleTables() { return std::string(KRAVIN_SAMPLE_TABLES) + "/"; }

// A 16-byte item text, zero padded.
inline std::array<char, 16> itemText(const std::string& text)
{
    std::array<char, 16> v{};
    std::memcpy(v.data(), text.data(), std::min<std::size_t>(text.size(), 16));
    return v;
}

inline std::string readItemText(int group, int item)
{
    char v[17] = {};
    KRAVinA_Data_Item_Get(group, item, v);
    return std::string(v, strnlen(v, 16));
}

class UnitFixture : public ::testing::Test {
protected:
    void SetUp() override { useTables(sampleTables()); }

    // (Re)makes the context over a table folder (with its trailing slash).
    void useTables(const std::string& folder)
    {
        model::LoadCardKindMasters(masters, folder);
        unit = std::make_unique<model::UnitContext>(masters, tables, folder, work.str());
        // A fresh project drops the library's cached connection files.
        ASSERT_EQ(KRAVinA_Proj_Create("T", "", "", work.str().c_str()), 1);
    }

    // A copy of the sample tables that a test may change.
    std::string copyTables()
    {
        const std::string folder = tableCopy.str() + "/";
        std::filesystem::copy(KRAVIN_SAMPLE_TABLES, folder, std::filesystem::copy_options::recursive);
        return folder;
    }

    void placeStation(int s, const std::string& kind, const std::string& version = "1.00", int x = 0, int y = 0,
                      const std::string& text = "")
    {
        const int k = masters.station.find(kind);
        ASSERT_GT(k, 0) << kind;
        tables.stationKind[s] = k;
        tables.stationVersion[s] = std::max(0, masters.station.findVersion(k, version));
        tables.stationX[s] = x;
        tables.stationY[s] = y;
        tables.stationUnitText[s] = text;
    }

    // card 1..16
    void placeCard(int s, int card, const std::string& kind, const std::string& version = "1.00", int x = 0,
                   int y = 0, const std::string& text = "")
    {
        const int k = masters.card.find(kind);
        ASSERT_GT(k, 0) << kind;
        tables.cardKind[s][card - 1] = k;
        tables.cardVersion[s][card - 1] = std::max(0, masters.card.findVersion(k, version));
        tables.cardX[s][card - 1] = x;
        tables.cardY[s][card - 1] = y;
        tables.cardUnitText[s][card - 1] = text;
    }

    struct Item {
        int group, item;
        std::string text;
    };

    // Writes a unit file (library card index) with block codes and items.
    void writeUnit(int s, int libCard, const std::map<int, std::string>& codes, const std::vector<Item>& items = {})
    {
        char head[500] = {};
        KRAVinA_Data_Get(s, libCard, head, work.str().c_str());
        std::memset(head, 0, sizeof head);
        for (const auto& [g, code] : codes) std::memcpy(head + 5 * g, code.data(), std::min<std::size_t>(code.size(), 5));
        for (const Item& i : items) KRAVinA_Data_Item_Set(i.group, i.item, itemText(i.text).data());
        ASSERT_EQ(KRAVinA_Data_Write(s, libCard, head, work.str().c_str()), 0);
    }

    // Reads one item of a unit file.
    std::string unitItem(int s, int libCard, int group, int item)
    {
        char head[500];
        KRAVinA_Data_Get(s, libCard, head, work.str().c_str());
        return readItemText(group, item);
    }

    std::string unitCode(int s, int libCard, int group)
    {
        char head[500];
        KRAVinA_Data_Get(s, libCard, head, work.str().c_str());
        return std::string(head + 5 * group, strnlen(head + 5 * group, 5));
    }

    void makeCurrent(int s, int card, int group = 0)
    {
        unit->g_curStation = s;
        unit->g_curCard = card;
        unit->g_curGroup = group;
        unit->SelectCurrentUnit();
        unit->LoadUnitBlocks(1);
    }

    TempDir work;
    TempDir tableCopy;
    model::CardKindMasters masters;
    model::SystemConfigTables tables;
    std::unique_ptr<model::UnitContext> unit;
};

}  // namespace kravin::test
