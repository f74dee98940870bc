// A card with analog blocks on the sample tables, an analog editor over it
// and a host that answers the dialogs from a script.
#pragma once

#include "anatan_editor.h"
#include "block_undo.h"
#include "scripted_prompt.h"
#include "undo_fakes.h"
#include "unit_fixture.h"

#include <deque>

namespace kravin::test {

class ScriptedAnaTanHost : public wiring::AnaTanHost, public model::BlockUndoHost {
public:
    ScriptedAnaTanHost(model::UnitContext& unit, ScriptedPrompt& prompt) : unit_(unit), prompt_(prompt), store(*this) {}

    // AnaTanHost
    bool online() const override { return isOnline; }
    void beep() override { ++beeps; }
    void setModified() override { modified = true; }
    model::Prompt& prompt() override { return prompt_; }
    model::CBlockUndo* undo() override { return &store; }
    std::optional<int> selectGroup(const std::string& code5) override
    {
        askedCodes.push_back(code5);
        return next(groups);
    }
    std::optional<std::string> jumpLabel() override { return next(labels); }
    std::optional<wiring::LineFormatChoice> lineFormat(const wiring::LineFormatChoice&) override
    {
        return next(formats);
    }
    model::CommentDialog& commentDialog() override { return comments; }
    bool runBlockSetting() override
    {
        ++settings;
        settingCard = unit_.g_curCard;
        return setting && setting();
    }
    model::CommLinkTable* linkTable() override { return links.get(); }
    void rebuildCommTable() override
    {
        ++rebuilds;
        rebuildCard = unit_.g_curCard;
    }
    void reloadSequence() override { ++seqReloads; }
    int lineKind() const override { return kind; }
    std::int32_t lineColour() const override { return colour; }
    void setLineFormat(int k, std::int32_t c) override
    {
        kind = k;
        colour = c;
    }

    // BlockUndoHost
    int station() const override { return unit_.g_curStation; }
    int card() const override { return unit_.g_curCard; }
    std::string workFolder() const override { return unit_.workFolder; }
    int currentGroup() const override { return unit_.g_curGroup; }
    bool specialGroupMode() const override { return unit_.g_specialGroupMode != 0; }
    void setCurrentGroup(int g, bool special) override
    {
        unit_.g_curGroup = g;
        unit_.g_specialGroupMode = special;
    }
    model::BlockCode blockCode(int b) const override { return unit_.g_unitBlocks[static_cast<std::size_t>(b)]; }
    void setBlockCode(int b, const model::BlockCode& c) override { unit_.g_unitBlocks[static_cast<std::size_t>(b)] = c; }
    model::UndoView* activeView() override { return view; }

    struct Comments : model::CommentDialog {
        bool run(model::CommentDialogData& data) override
        {
            data.text = "note";
            return true;
        }
    } comments;

    template <class T>
    static std::optional<T> next(std::deque<std::optional<T>>& q)
    {
        if (q.empty()) return std::nullopt;
        auto v = q.front();
        q.pop_front();
        return v;
    }

    model::UnitContext& unit_;
    ScriptedPrompt& prompt_;
    model::CBlockUndo store;
    model::UndoView* view = nullptr;
    bool isOnline = false;
    bool modified = false;
    int beeps = 0;
    int kind = 0;
    std::int32_t colour = 0;
    std::deque<std::optional<int>> groups;
    std::deque<std::optional<std::string>> labels;
    std::deque<std::optional<wiring::LineFormatChoice>> formats;
    std::vector<std::string> askedCodes;
    std::function<bool()> setting;  // the dialog: edits the unit's block item data, true for OK
    int settings = 0;
    int settingCard = -1;
    std::unique_ptr<model::CommLinkTable> links;  // null: the tool keeps none
    int rebuilds = 0, rebuildCard = -1, seqReloads = 0;
};

// Station 0 (RNH6) with card 1 (QV200): blocks 30 and 32 ADS (inputs IN1..IN4 =
// items 11..14, output OT1 = terminal 4), 31 LAG (input IN1 = item 11, output
// terminal 1), and blocks 0, 1, 80. Line 30.OT1 -> 31.IN1 with two bends, line
// 32.OT1 -> 30.IN1 straight.
class AnaTanFixture : public UnitFixture {
protected:
    void SetUp() override
    {
        UnitFixture::SetUp();
        placeStation(0, "RNH6");
        placeCard(0, 1, "QV200");
        writeUnit(0, 0, {{0, "00SYS"}, {1, "01CTL"}, {80, "94SSW"}, {30, "51ADS"}, {31, "60LAG"}, {32, "51ADS"}},
                  {{31, 11, "3004"}, {30, 11, "3204"}, {30, 12, "0000"}, {32, 11, "0000"}});
        place(30, 20, 10);
        place(31, 20, 40);
        place(32, 60, 40);
        line(31, 11, {{15, 30}, {15, 22}});
        line(30, 11, {});
        makeCurrent(0, 1);
        host = std::make_unique<ScriptedAnaTanHost>(*unit, prompt);
        editor = std::make_unique<wiring::AnaTanEditor>(*unit, *host);
        host->view = editor.get();
        editor->open();
    }

    void place(int block, int x, int y)
    {
        char head[500];
        KRAVinA_Data_Get(0, 0, head, work.str().c_str());
        KRAVinA_Data_XY_Set(block, x, y);
        ASSERT_EQ(KRAVinA_Data_Write(0, 0, head, work.str().c_str()), 0);
    }

    void line(int block, int item, const std::vector<std::pair<int, int>>& points, const std::string& label = "")
    {
        model::AconImage a;
        a.kind = static_cast<int>(points.size());
        for (std::size_t i = 0; i < points.size(); ++i) {
            a.px[i] = points[i].first;
            a.py[i] = points[i].second;
        }
        std::memcpy(a.text.data(), label.data(), label.size());
        ASSERT_TRUE(model::putAcon(0, 1, block, item, a, work.str()));
        ASSERT_EQ(KRAVinA_Acon_Write(0, 0, work.str().c_str()), 0);
    }

    model::AconImage acon(int block, int item) { return model::readAcon(0, 1, block, item, work.str()); }
    std::pair<int, int> position(int block)
    {
        char head[500];
        KRAVinA_Data_Get(0, 0, head, work.str().c_str());
        int x = 0, y = 0;
        KRAVinA_Data_XY_Get(block, &x, &y);
        return {x, y};
    }
    model::test::Files files() { return model::test::snapshotFolder(work.path()); }
    // Client pixel of a grid point at the editor's pitch and scroll.
    int px(double gx) const { return wiring::TanGridToPixelF(gx, editor->pitch(), editor->scrollX()); }
    int py(double gy) const { return wiring::TanGridToPixelF(gy, editor->pitch(), editor->scrollY()); }

    ScriptedPrompt prompt;
    std::unique_ptr<ScriptedAnaTanHost> host;
    std::unique_ptr<wiring::AnaTanEditor> editor;
};

}  // namespace kravin::test
