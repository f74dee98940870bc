// What the wiring roads through the real main frame set up: units in the
// system tables, the project saved, unit and analog connection files written
// straight into the work folder, and palette items dropped onto a view.
#pragma once

#include "KRAVinA.h"
#include "command_ids.h"
#include "hand_drag.h"
#include "palette_rules.h"
#include "shell_fixture.h"
#include "toolbox_dock.h"
#include "unit_files.h"

#include <QDropEvent>
#include <QMimeData>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace kravin::test {

inline std::vector<char> fileBytes(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class WiringRoad : public ShellFixture {
protected:
    std::filesystem::path work() { return session().projectRecord.workFolder; }

    // A station kind, and a card kind in slot 1..16, with their boxes' places.
    void placeStation(int s, const std::string& kind, int x = 0, int y = 0)
    {
        model::SystemConfigTables& t = app->systemTables();
        t.stationKind[s] = app->masters().station.find(kind);
        ASSERT_GT(t.stationKind[s], 0) << kind;
        t.stationX[s] = x;
        t.stationY[s] = y;
    }
    void placeCard(int s, int card, const std::string& kind, int x = 0, int y = 0)
    {
        model::SystemConfigTables& t = app->systemTables();
        t.cardKind[s][card - 1] = app->masters().card.find(kind);
        ASSERT_GT(t.cardKind[s][card - 1], 0) << kind;
        t.cardX[s][card - 1] = x;
        t.cardY[s][card - 1] = y;
    }

    // File > Save of the untitled project as dir/plant.KRA; its path.
    std::string saveProject(const std::string& name = "Plant")
    {
        const std::string path = dir / "plant.KRA";
        prompt.dialog([=](model::ProjectDialogData& d) {
            d.name = name;
            d.location = path;
            return true;
        });
        EXPECT_TRUE(frame().trigger(shell::cmd::FileSave));
        return path;
    }

    struct Item {
        int group, item;
        std::string text;
    };
    // A unit file (library card, -1 the station) of the work folder: its block
    // codes, items and block positions, everything else empty.
    void writeUnitFile(int s, int libCard, const std::map<int, std::string>& codes, const std::vector<Item>& items = {},
                       const std::map<int, std::pair<int, int>>& positions = {})
    {
        const std::string w = work().string();
        char head[500] = {};
        KRAVinA_Data_Get(s, libCard, head, w.c_str());
        std::memset(head, 0, sizeof head);
        for (const auto& [g, code] : codes) std::memcpy(head + 5 * g, code.data(), std::min<std::size_t>(code.size(), 5));
        for (const Item& i : items) {
            char v[20] = {};
            std::memcpy(v, i.text.data(), std::min<std::size_t>(i.text.size(), 16));
            KRAVinA_Data_Item_Set(i.group, i.item, v);
        }
        for (const auto& [g, xy] : positions) KRAVinA_Data_XY_Set(g, xy.first, xy.second);
        ASSERT_EQ(KRAVinA_Data_Write(s, libCard, head, w.c_str()), 0);
    }

    // The analog line into input item of block on card 1..16 (0 the station), through its bends.
    void writeLine(int s, int card, int block, int item, const std::vector<std::pair<int, int>>& bends)
    {
        const std::string w = work().string();
        model::AconImage a;
        a.kind = static_cast<int>(bends.size());
        for (std::size_t i = 0; i < bends.size(); ++i) {
            a.px[i] = bends[i].first;
            a.py[i] = bends[i].second;
        }
        ASSERT_TRUE(model::putAcon(s, card, block, item, a, w));
        ASSERT_EQ(KRAVinA_Acon_Write(s, model::libraryCard(card), w.c_str()), 0);
    }

    // A hand's drag of the palette's item of that name onto a point of a view's viewport, taken there, and let go.
    void dropPaletteItem(shell::ToolBoxDock& palette, QWidget* viewport, const std::string& name, QPoint at)
    {
        HandDrag drag(palette, name, viewport);
        ASSERT_TRUE(drag.started()) << name;
        ASSERT_TRUE(drag.moveTo(viewport, at)) << name;
        EXPECT_TRUE(drag.release());
    }
};

}  // namespace kravin::test
