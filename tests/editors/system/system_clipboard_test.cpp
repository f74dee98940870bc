#include "system_clipboard.h"

#include "KRAVinA.h"
#include "comment_layer.h"
#include "connections.h"
#include "figure_layer.h"
#include "scripted_prompt.h"
#include "unit_fixture.h"
#include "unit_undo_host.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>

namespace kravin::test {
namespace {

using editors::SystemClipboard;
namespace sysclip = editors::sysclip;
using Result = SystemClipboard::Result;

// A clipboard in memory; put can be made to lose what it is given.
class MemoryPort : public editors::ClipboardPort {
public:
    void put(const std::string& format, const std::string& object) override
    {
        data.clear();
        if (!losePuts) data[format] = object;
    }
    std::optional<std::string> get(const std::string& format) const override
    {
        const auto it = data.find(format);
        if (it == data.end()) return std::nullopt;
        return it->second;
    }
    bool has(const std::string& format) const override { return data.count(format) != 0; }

    std::map<std::string, std::string> data;
    bool losePuts = false;
};

std::string fileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ClipboardTest : public UnitFixture {
protected:
    void SetUp() override
    {
        UnitFixture::SetUp();
        unit->workFolder = work.str();
        placeCard(1, 1, "QV200", "1.10", 40, 20, "AB");
        std::vector<Item> items{{31, 0, "LAG-TAG"}, {0, 51, "0"}, {30, 3, "12.5"}};
        for (int b = 81; b <= 92; ++b) items.push_back({b, 10, "**"});
        writeUnit(1, 0, {{0, "00SYS"}, {30, "76PVA"}, {31, "60LAG"}}, items);
        char head[500];
        KRAVinA_Data_Get(1, 0, head, work.str().c_str());
        KRAVinA_Data_XY_Set(31, 12, 34);
        KRAVinA_Data_Write(1, 0, head, work.str().c_str());
        makeCurrent(1, 1);
        model::AnalogLineEditState line;
        line.sourceGroup = 31;
        line.sourceItem = 1;
        line.destGroup = 30;
        line.destItem = 11;  // the analog input
        for (int i = 0; i < 30; ++i) {
            line.firstList[i] = 100 + i;
            line.secondList[i] = 200 + i;
        }
        line.pointCount = 3;
        line.value = 5;
        line.colour = 0x112233;
        line.text = "LINE";
        ASSERT_EQ(model::SaveAconLine(*unit, line), 0);
        writeLayer(1, 1, 'C');
        host = std::make_unique<model::UnitUndoHost>(*unit);
        host->modified = [this] { ++modified; };
        undo = std::make_unique<model::CStationUndo>(*host);
        clip = std::make_unique<SystemClipboard>(*unit, *undo, prompt, port, hooks());
    }

    editors::SystemClipboardHooks hooks()
    {
        editors::SystemClipboardHooks h;
        h.setModified = [this] { ++modified; };
        h.defaultPosition = [](int, int card, int* x, int* y) {
            *x = 1 + 3 * card;
            *y = 2;
        };
        return h;
    }

    void writeLayer(int s, int card, char fill)
    {
        std::vector<unsigned char> comments(model::kCommentBlockBytes, 0), figures(model::kFigureBlockBytes, 0);
        for (std::size_t i = 0; i < 284; ++i) comments[i] = static_cast<unsigned char>(fill + i % 7);
        figures[0] = static_cast<unsigned char>(fill);
        KRAVinA_Comment_Write(comments.data(), work.str().c_str(), model::commentFileName(s, card).c_str());
        KRAVinA_Tenbyou_Write(figures.data(), work.str().c_str(), model::figureFileName(s, card).c_str());
    }

    std::string file(const std::string& relative) { return fileBytes(work.path() / relative); }
    bool exists(const std::string& relative) { return std::filesystem::exists(work.path() / relative); }

    // Every file of the work folder with its bytes.
    std::map<std::string, std::string> snapshot()
    {
        std::map<std::string, std::string> out;
        for (const auto& e : std::filesystem::recursive_directory_iterator(work.path()))
            if (e.is_regular_file()) out[std::filesystem::relative(e.path(), work.path()).string()] = fileBytes(e.path());
        return out;
    }

    // The unit file with block 0 item 51 blanked.
    std::string withoutItem51(const std::string& bytes)
    {
        std::string b = bytes;
        const std::size_t at = 500 + 0 * (8 + 100 * 16 + 100 * 20) + 8 + 51 * 16;
        if (b.size() >= at + 16) b.replace(at, 16, std::string(16, '\0'));
        return b;
    }

    std::unique_ptr<model::UnitUndoHost> host;
    std::unique_ptr<model::CStationUndo> undo;
    ScriptedPrompt prompt;
    MemoryPort port;
    std::unique_ptr<SystemClipboard> clip;
    int modified = 0;
};

TEST_F(ClipboardTest, CopyThenPasteReproducesTheUnitFiles)
{
    makeCurrent(1, 1);
    ASSERT_EQ(clip->Copy(), Result::Done);
    ASSERT_TRUE(port.has(editors::kClipCardFormat));
    const std::string& blob = port.data.at(editors::kClipCardFormat);
    // station, card, kind, version, "AB\n", station again, body, layers.
    EXPECT_EQ(blob.size(), 16u + 3 + 4 + sysclip::kBodyBytes + sysclip::kCommentBytes + sysclip::kFigureBytes);
    EXPECT_EQ(blob.substr(16, 3), "AB\n");

    makeCurrent(1, 5);
    ASSERT_EQ(clip->Paste(), Result::Done);
    EXPECT_TRUE(prompt.shown.empty());
    EXPECT_EQ(tables.cardKind[1][4], tables.cardKind[1][0]);
    EXPECT_EQ(tables.cardVersion[1][4], 1);
    EXPECT_EQ(tables.cardUnitText[1][4], "AB");
    EXPECT_EQ(tables.cardX[1][4], 16);
    EXPECT_EQ(unitItem(1, 4, 0, 51), "4");
    EXPECT_EQ(unitItem(1, 4, 31, 0), "LAG-TAG");
    EXPECT_EQ(withoutItem51(file(model::unitDataPath(1, 5))), withoutItem51(file(model::unitDataPath(1, 1))));
    EXPECT_EQ(file(model::aconPath(1, 5)), file(model::aconPath(1, 1)));
    EXPECT_EQ(file(model::commentFileName(1, 5)), file(model::commentFileName(1, 1)));
    EXPECT_EQ(file(model::figureFileName(1, 5)), file(model::figureFileName(1, 1)));
    EXPECT_GT(modified, 0);

    // The paste undoes as one step: the slot is empty again, its files gone.
    ASSERT_TRUE(undo->CanUndo());
    undo->Undo();
    EXPECT_EQ(tables.cardKind[1][4], 0);
    EXPECT_FALSE(exists(model::unitDataPath(1, 5)));
    EXPECT_FALSE(exists(model::commentFileName(1, 5)));
    undo->Redo();
    EXPECT_EQ(unitItem(1, 4, 0, 51), "4");
}

TEST_F(ClipboardTest, PasteMarksUnusedSequenceBlocksAndNumbersTheSlot)
{
    // Blocks 81..92 without a code get "**" in item 10 even when the copy lacks it.
    writeUnit(1, 0, {{0, "00SYS"}, {85, "95SEQ"}}, {{85, 10, "7"}});
    makeCurrent(1, 1);
    ASSERT_EQ(clip->Copy(), Result::Done);
    makeCurrent(1, 11);
    ASSERT_EQ(clip->Paste(), Result::Done);
    EXPECT_EQ(unitItem(1, 10, 0, 51), "A");
    EXPECT_EQ(unitItem(1, 10, 81, 10), "**");
    EXPECT_EQ(unitItem(1, 10, 92, 10), "**");
    EXPECT_EQ(unitCode(1, 10, 85), "95SEQ");
}

TEST_F(ClipboardTest, HostileBlobsChangeNothing)
{
    makeCurrent(1, 1);
    ASSERT_EQ(clip->Copy(), Result::Done);
    const std::string good = port.data.at(editors::kClipCardFormat);
    const auto at32 = [](std::string b, std::size_t at, std::int32_t v) {
        for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF);
        return b;
    };
    const std::size_t body = 16 + 3 + 4;
    const std::size_t line = body + sysclip::kCodeBytes + sysclip::kBlockDataBytes;
    const struct {
        const char* name;
        std::string blob;
    } cases[] = {
        {"empty", ""},
        {"truncated", good.substr(0, good.size() - 1)},
        {"one byte more", good + "x"},
        {"header only", good.substr(0, 19)},
        {"station 64", at32(good, 0, 64)},
        {"card 0", at32(good, 4, 0)},
        {"card 17", at32(good, 4, 17)},
        {"kind 128", at32(good, 8, 128)},
        {"kind -1", at32(good, 8, -1)},
        {"version 32", at32(good, 12, 32)},
        {"31 points", at32(good, line + 140 * 3011 + 8, 31)},
        {"long unit text", good.substr(0, 16) + "ABCDEF\n" + good.substr(19)},
        {"no line end", good.substr(0, 16) + std::string(good.size() - 16, 'Z')},
    };
    makeCurrent(1, 5);
    const auto before = snapshot();
    const model::SystemConfigTables tablesBefore = tables;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        port.data = {{editors::kClipCardFormat, c.blob}};
        prompt.shown.clear();
        EXPECT_EQ(clip->Paste(), Result::Refused);
        ASSERT_EQ(prompt.shown.size(), 1u);
        EXPECT_EQ(prompt.shown[0].id, editors::clipmsg::ClipboardUnreadable);
        EXPECT_EQ(snapshot(), before);
        EXPECT_EQ(tables.cardKind, tablesBefore.cardKind);
        EXPECT_FALSE(undo->CanUndo());
    }
    for (const char* format : {editors::kClipQv200wFormat, editors::kClipStationFormat}) {
        SCOPED_TRACE(format);
        port.data = {{format, good}};
        prompt.shown.clear();
        if (std::string(format) == editors::kClipStationFormat) makeCurrent(1, 0);
        EXPECT_EQ(clip->EditPaste(), Result::Refused);
        EXPECT_EQ(snapshot(), before);
        EXPECT_FALSE(undo->CanUndo());
    }
}

TEST_F(ClipboardTest, MoveClearsTheSourceOnlyWhenTheCopyReadsBack)
{
    port.losePuts = true;
    makeCurrent(1, 1);
    const auto before = snapshot();
    EXPECT_EQ(clip->Move(), Result::Failed);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].id, editors::clipmsg::CopyFailed);
    EXPECT_GT(tables.cardKind[1][0], 0);
    EXPECT_EQ(snapshot(), before);
    EXPECT_FALSE(undo->CanUndo());

    port.losePuts = false;
    makeCurrent(1, 1);
    ASSERT_EQ(clip->Move(), Result::Done);
    EXPECT_EQ(tables.cardKind[1][0], 0);
    EXPECT_FALSE(exists(model::unitDataPath(1, 1)));
    makeCurrent(1, 3);
    ASSERT_EQ(clip->Paste(), Result::Done);
    EXPECT_EQ(withoutItem51(file(model::unitDataPath(1, 3))), withoutItem51(before.at(model::unitDataPath(1, 1))));
    // Undo the paste, then the move: the card is back where it was.
    undo->Undo();
    undo->Undo();
    EXPECT_GT(tables.cardKind[1][0], 0);
    EXPECT_EQ(tables.cardKind[1][2], 0);
    EXPECT_EQ(file(model::unitDataPath(1, 1)), before.at(model::unitDataPath(1, 1)));
}

TEST_F(ClipboardTest, RemoteStationRefusalComesBeforeTheSlotIsCleared)
{
    // A V8RTU station at version 2.00: a card above 8 cannot take the copy's version 2.00.
    placeStation(2, "V8RTU", "2.00", 0, 0, "9");
    for (int c = 1; c <= 9; ++c) placeCard(2, c, "V8RTU", "1.00");
    writeUnit(2, 8, {{0, "00SYS"}}, {{0, 1, "KEEP"}});
    makeCurrent(2, 1);
    ASSERT_EQ(clip->Copy(), Result::Done);
    makeCurrent(2, 9);
    const auto before = snapshot();
    EXPECT_EQ(clip->Paste(), Result::Refused);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].id, editors::clipmsg::CannotApplySetting);
    EXPECT_GT(tables.cardKind[2][8], 0);
    EXPECT_EQ(snapshot(), before);
    EXPECT_FALSE(undo->CanUndo());

    // Card 4 takes it with the version found (index 1) and the station counts its cards.
    prompt.shown.clear();
    makeCurrent(2, 4);
    ASSERT_EQ(clip->Paste(), Result::Done);
    EXPECT_EQ(tables.cardVersion[2][3], 1);
    EXPECT_EQ(tables.stationUnitText[2], "9");

    // A QV200 card is not placed in a remote station at all.
    makeCurrent(1, 1);
    ASSERT_EQ(clip->Copy(), Result::Done);
    prompt.shown.clear();
    makeCurrent(2, 10);
    EXPECT_EQ(clip->Paste(), Result::Refused);
    EXPECT_EQ(prompt.shown.at(0).id, editors::clipmsg::CannotApplySetting);
}

TEST_F(ClipboardTest, StationCopyWritesSixteenEntriesAndBulkPasteClearsTheTarget)
{
    placeStation(2, "V8RTU", "1.00", 0, 0, "3");
    for (int c = 1; c <= 3; ++c) {
        placeCard(2, c, "V8RTU", "1.00", 0, 0, std::string(1, static_cast<char>('0' + c)));
        writeUnit(2, c - 1, {{0, "00SYS"}, {11, "31CDI"}}, {{11, 1, "CARD" + std::to_string(c)}});
    }
    // The target has five cards and files the copy lacks.
    placeStation(3, "V8RTU", "1.00", 0, 0, "5");
    for (int c = 1; c <= 5; ++c) {
        placeCard(3, c, "V8RTU", "1.00");
        writeUnit(3, c - 1, {{0, "00SYS"}}, {{0, 1, "OLD"}});
        writeLayer(3, c, 'X');
    }
    makeCurrent(2, 0);
    ASSERT_EQ(clip->Copy(), Result::Done);
    const std::string blob = port.data.at(editors::kClipStationFormat);
    const auto image = sysclip::DecodeStation(blob);
    ASSERT_TRUE(image);
    int present = 0, empty = 0;
    for (const auto& e : image->cards) {
        present += e.has_value();
        empty += e && e->kind == 0;
    }
    EXPECT_EQ(present, 16);
    EXPECT_EQ(empty, 13);
    for (int c = 0; c < 3; ++c)
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(image->cards[c]->body.data()) + 500 + 11 * 4008 + 18, 5), "CARD" + std::to_string(c + 1));
    const std::size_t entry = 4 + 16 + 1 + 8 + sysclip::kBodyBytes + sysclip::kCommentBytes + sysclip::kFigureBytes;
    EXPECT_EQ(blob.size(), 16 + 2 + 8 + 16 * entry + 3 * 1);   // and the three cards' one-character texts

    const auto before = snapshot();
    makeCurrent(3, 0);
    ASSERT_EQ(clip->EditPaste(), Result::Done);
    EXPECT_EQ(tables.stationUnitText[3], "3");
    for (int c = 1; c <= 3; ++c) {
        EXPECT_GT(tables.cardKind[3][c - 1], 0);
        EXPECT_EQ(unitItem(3, c - 1, 11, 1), "CARD" + std::to_string(c));
        EXPECT_EQ(tables.cardUnitText[3][c - 1], std::string(1, static_cast<char>('0' + c)));
    }
    for (int c = 4; c <= 5; ++c) {
        EXPECT_EQ(tables.cardKind[3][c - 1], 0);
        EXPECT_FALSE(exists(model::unitDataPath(3, c)));
        EXPECT_FALSE(exists(model::commentFileName(3, c)));
    }
    undo->Undo();
    EXPECT_EQ(tables.stationUnitText[3], "5");
    EXPECT_EQ(snapshot(), before);
}

TEST_F(ClipboardTest, TwoSlotCardsCopyAndPasteAsAPair)
{
    placeCard(1, 3, "QV200W", "1.00", 0, 0, "");
    placeCard(1, 4, "QV200W", "1.00", 0, 0, std::string(1, '\x01'));
    writeUnit(1, 2, {{0, "00SYS"}}, {{0, 1, "LEFT"}});
    writeUnit(1, 3, {{0, "00SYS"}}, {{0, 1, "RIGHT"}});
    makeCurrent(1, 4);   // the right-hand half copies the whole card
    ASSERT_EQ(clip->Copy(), Result::Done);
    EXPECT_TRUE(port.has(editors::kClipQv200wFormat));
    EXPECT_EQ(clip->copiedHalf(), 1);

    const auto before = snapshot();
    for (int card : {16, 1}) {   // an empty last slot, a slot that holds another model
        SCOPED_TRACE(card);
        prompt.shown.clear();
        makeCurrent(1, card);
        EXPECT_EQ(clip->Paste(), Result::Refused);
        EXPECT_EQ(prompt.shown.at(0).id, editors::clipmsg::CannotApply);
        EXPECT_EQ(snapshot(), before);
    }
    makeCurrent(1, 7);
    ASSERT_EQ(clip->EditPaste(), Result::Done);
    EXPECT_EQ(tables.cardUnitText[1][7], std::string(1, '\x01'));
    EXPECT_EQ(unitItem(1, 6, 0, 1), "LEFT");
    EXPECT_EQ(unitItem(1, 7, 0, 1), "RIGHT");
    EXPECT_EQ(unitItem(1, 6, 0, 51), "6");
    EXPECT_EQ(unitItem(1, 7, 0, 51), "7");
    undo->Undo();
    EXPECT_EQ(tables.cardKind[1][6], 0);
    EXPECT_EQ(tables.cardKind[1][7], 0);
}

TEST(ClipCodec, PairAndStationRoundTrip)
{
    sysclip::PairImage pair;
    pair.slots[0].station = 3;
    pair.slots[0].card = 1;
    pair.slots[0].kind = 9;
    pair.slots[1].card = 2;
    pair.slots[1].kind = 9;
    pair.slots[1].unitText = "\x01";
    pair.slots[1].body[7] = 0x5A;
    const std::string bytes = sysclip::EncodePair(pair);
    const auto back = sysclip::DecodePair(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(sysclip::EncodePair(*back), bytes);
    EXPECT_FALSE(sysclip::DecodePair(bytes.substr(0, bytes.size() / 2)));

    sysclip::StationImage st;
    st.station = 5;
    st.kind = 6;
    st.cards[2].emplace();
    st.cards[2]->card = 3;
    st.cards[2]->kind = 13;
    st.cards[5].emplace();
    st.cards[5]->kind = -1;   // written as an absent entry
    const std::string sb = sysclip::EncodeStation(st);
    EXPECT_EQ(sb.substr(4, 4), std::string("\xFF\xFF\xFF\xFF", 4));
    const auto sback = sysclip::DecodeStation(sb);
    ASSERT_TRUE(sback);
    EXPECT_TRUE(sback->cards[2]);
    EXPECT_FALSE(sback->cards[5]);
    EXPECT_EQ(sysclip::EncodeStation(*sback), sb);
    std::string bad = sb;
    bad[28] = 2;   // a present flag other than 0 or 1
    EXPECT_FALSE(sysclip::DecodeStation(bad));
}

}  // namespace
}  // namespace kravin::test
