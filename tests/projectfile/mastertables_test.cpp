#include "KRAVinA.h"
#include "mastertables.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using kravin::test::TempDir;
namespace fs = std::filesystem;

namespace {

void writeText(const TempDir& dir, const std::string& relative, const std::string& text)
{
    const fs::path path = dir.path() / relative;
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

std::string crlf(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

// The table folder as the tool passes it: with a trailing separator.
std::string folderOf(const TempDir& dir) { return dir.str() + "/"; }

// A buffer of a given width followed by guard bytes that no call may touch.
struct Guarded {
    explicit Guarded(std::size_t width, char fill = 'Z') : width(width), bytes(width + 16, fill) {}
    char* data() { return bytes.data(); }
    std::string text() const { return std::string(bytes.data(), strnlen(bytes.data(), width)); }
    bool guardIntact(char fill = 'Z') const
    {
        for (std::size_t i = width; i < bytes.size(); ++i)
            if (bytes[i] != fill) return false;
        return true;
    }
    std::size_t width;
    std::vector<char> bytes;
};

// ---------------------------------------------------------------- kind tables

const char* const kKinds =
    "CARD=RNH6    \n"
    "UBus\n"
    "9600\n"
    "3\n"
    "1.00\n"
    "1.10\n"
    "CARD=TJK5\n"
    "YBus\n"
    "57600\n"
    "-7\n"
    "2.00\n"
    "CARD=V8RTU   \n"
    "UBus line\n"
    "4800\n"
    "12\n";

TEST(KindTables, SectionsAndTheirFields)
{
    TempDir dir;
    writeText(dir, "COMCARD.KRAT", kKinds);
    const std::string folder = folderOf(dir);
    EXPECT_EQ(KRAVinA_Card_Kind_Get_Num(0, folder.c_str()), 3);

    struct Case {
        int index;
        std::string name;
        int bus, speed, value;
        std::vector<std::string> versions;
    } cases[] = {
        {0, "RNH6    ", 0, 1, 3, {"1.00", "1.10"}},
        {1, std::string("TJK5\n\0\0\0", 8), 1, 2, -7, {"2.00"}},
        {2, "V8RTU   ", 0, 99 /* 4800 leaves the code */, 12, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.index);
        char name[8];
        int bus = 99, speed = 99, value = 99;
        Guarded versions(4 * KRAVINA_KIND_VERSIONS_MAX);
        EXPECT_EQ(KRAVinA_Card_K_V_Get(0, c.index, name, &bus, &speed, &value, versions.data(), folder.c_str()),
                  int(c.versions.size()));
        EXPECT_EQ(std::string(name, 8), c.name);
        EXPECT_EQ(bus, c.bus);
        EXPECT_EQ(speed, c.speed);
        EXPECT_EQ(value, c.value);
        for (std::size_t i = 0; i < c.versions.size(); ++i)
            EXPECT_EQ(std::string(versions.data() + 4 * i, 4), c.versions[i]);
    }
}

TEST(KindTables, MissingTableOrSectionAndBadIndex)
{
    TempDir dir;
    const std::string folder = folderOf(dir);
    EXPECT_EQ(KRAVinA_Card_Kind_Get_Num(0, folder.c_str()), 0);
    EXPECT_EQ(KRAVinA_Card_Kind_Get_Num(1, folder.c_str()), 0);
    writeText(dir, "COMCARD.KRAT", kKinds);

    char name[8] = {'k', 'e', 'e', 'p', 'k', 'e', 'e', 'p'};
    int bus = 5, speed = 5, value = 5;
    char versions[4] = {'v', 'v', 'v', 'v'};
    EXPECT_EQ(KRAVinA_Card_K_V_Get(0, 3, name, &bus, &speed, &value, versions, folder.c_str()), 0);
    EXPECT_EQ(KRAVinA_Card_K_V_Get(0, -1, name, &bus, &speed, &value, versions, folder.c_str()), -1);
    EXPECT_EQ(KRAVinA_Card_K_V_Get(1, 0, name, &bus, &speed, &value, versions, folder.c_str()), 0);
    EXPECT_EQ(std::string(name, 8), "keepkeep");
    EXPECT_EQ(bus + speed + value, 15);
    EXPECT_EQ(std::string(versions, 4), "vvvv");
}

TEST(KindTables, CardKindsPreferTheLargeTable)
{
    TempDir dir;
    writeText(dir, "KBSCARD.KRAT", "CARD=QV100   \nUBus\n9600\n1\n1.00\n");
    const std::string folder = folderOf(dir);
    EXPECT_EQ(KRAVinA_Card_Kind_Get_Num(1, folder.c_str()), 1);
    writeText(dir, "kbscard_large.krat", "CARD=QV200   \nUBus\n9600\n1\n1.00\nCARD=QV210   \nUBus\n9600\n1\n1.00\n");
    EXPECT_EQ(KRAVinA_Card_Kind_Get_Num(1, folder.c_str()), 2);
    char name[8];
    int bus, speed, value;
    char versions[128];
    KRAVinA_Card_K_V_Get(1, 0, name, &bus, &speed, &value, versions, folder.c_str());
    EXPECT_EQ(std::string(name, 8), "QV200   ");
}

TEST(KindTables, VersionListNeverOverrunsItsThirtyTwoEntries)
{
    TempDir dir;
    std::string text = "CARD=QV200   \nUBus\n9600\n1\n";
    for (int i = 0; i < 40; ++i) text += "1." + std::to_string(10 + i) + "\n";
    writeText(dir, "COMCARD.KRAT", text);
    Guarded versions(4 * KRAVINA_KIND_VERSIONS_MAX);
    char name[8];
    int bus, speed, value;
    EXPECT_EQ(KRAVinA_Card_K_V_Get(0, 0, name, &bus, &speed, &value, versions.data(), folderOf(dir).c_str()),
              KRAVINA_KIND_VERSIONS_MAX);
    EXPECT_EQ(std::string(versions.data() + 4 * 31, 4), "1.41");
    EXPECT_TRUE(versions.guardIntact());
}

// ---------------------------------------------------------------- valid blocks

TEST(ValidBlocks, GroupsOfTheModelVersionTable)
{
    TempDir dir;
    writeText(dir, "QV200___100.KRAT",
              "GROUP=00\n00SYS\n"
              "GROUP=07\n21BCA\n22ECA\n"
              "\n"
              "GROUP=08\n23MVA\n");
    const std::string folder = folderOf(dir);
    char codes[256] = {};
    EXPECT_EQ(KRAVinA_Valid_Block_Get(1, "QV200   ", "1.00", 7, codes, folder.c_str()), 2);
    EXPECT_EQ(std::string(codes, 10), "21BCA22ECA");
    // Without the reload flag the parsed table answers; the empty line ended the parse.
    EXPECT_EQ(KRAVinA_Valid_Block_Get(0, "", "", 0, codes, folder.c_str()), 1);
    EXPECT_EQ(std::string(codes, 5), "00SYS");
    EXPECT_EQ(KRAVinA_Valid_Block_Get(0, "", "", 8, codes, folder.c_str()), 0);
    // A model shorter than 8 characters is padded the same way.
    EXPECT_EQ(KRAVinA_Valid_Block_Get(1, "QV200", "1.00", 7, codes, folder.c_str()), 2);
}

TEST(ValidBlocks, RefusalsTouchNothing)
{
    TempDir dir;
    writeText(dir, "QV200___100.KRAT", "GROUP=01\n01ABC\n");
    const std::string folder = folderOf(dir);
    char codes[8] = "unchang";
    for (int group : {-1, 100, 1 << 30}) {
        EXPECT_EQ(KRAVinA_Valid_Block_Get(1, "QV200", "1.00", group, codes, folder.c_str()), -1);
        EXPECT_STREQ(codes, "unchang");
    }
    // A table that cannot be opened clears the groups.
    EXPECT_EQ(KRAVinA_Valid_Block_Get(1, "QV200", "1.00", 1, codes, folder.c_str()), 1);
    for (const char* version : {"1.10", "1.", ""})
        EXPECT_EQ(KRAVinA_Valid_Block_Get(1, "QV200", version, 1, codes, folder.c_str()), -1) << version;
    EXPECT_EQ(KRAVinA_Valid_Block_Get(0, "QV200", "1.00", 1, codes, folder.c_str()), 0);
}

TEST(ValidBlocks, GroupHoldsAtMostFiftyOneCodes)
{
    TempDir dir;
    std::string text = "GROUP=99\n";
    for (int i = 0; i < 60; ++i) text += std::to_string(10 + i) + "ABC\n";
    text += "GROUP=-1\n70XYZ\n";  // no such group: its codes go nowhere
    writeText(dir, "QV210___100.KRAT", text);
    Guarded codes(KRAVINA_GROUP_BUFFER_SIZE);
    EXPECT_EQ(KRAVinA_Valid_Block_Get(1, "QV210", "1.00", 99, codes.data(), folderOf(dir).c_str()),
              KRAVINA_GROUP_CODES_MAX);
    EXPECT_EQ(std::string(codes.data() + 5 * 50, 5), "60ABC");
    EXPECT_EQ(codes.bytes[255], 'Z');
    EXPECT_TRUE(codes.guardIntact());
    EXPECT_EQ(KRAVinA_Valid_Block_Get(0, "", "", 10, codes.data(), folderOf(dir).c_str()), 0);
}

// ---------------------------------------------------------------- block definitions

// A definition file: name line, 100 item lines (unused ones "NON"), then terminal lines.
std::string definition(const std::string& name, const std::vector<std::string>& items,
                       const std::vector<std::string>& terminals)
{
    std::string text = name + "\n";
    char prefix[16];
    for (int i = 0; i < 100; ++i) {
        std::snprintf(prefix, sizeof prefix, "ITEM%02d,", i);
        text += prefix + (i < int(items.size()) ? items[i] : std::string("NON")) + "\n";
    }
    for (int i = 0; i < int(terminals.size()); ++i) {
        std::snprintf(prefix, sizeof prefix, "TERM%02d,", i);
        text += prefix + terminals[i] + "\n";
    }
    return text;
}

struct Fields {
    std::array<Guarded, 7> buffers{Guarded(KRAVINA_DEF_TYPE_SIZE), Guarded(KRAVINA_DEF_NAME_SIZE),
                                   Guarded(KRAVINA_DEF_ABBR_SIZE), Guarded(KRAVINA_DEF_UNIT_SIZE),
                                   Guarded(KRAVINA_DEF_DEFAULT_SIZE), Guarded(KRAVINA_DEF_RANGE_SIZE),
                                   Guarded(KRAVINA_DEF_EXTRA_SIZE)};
    Fields()
    {
        for (auto& b : buffers) b.bytes[0] = '~', b.bytes[1] = '\0';  // "~" marks an untouched buffer
    }
    int get(int table, int line)
    {
        auto& b = buffers;
        return KRAVinA_Block_Inf_Get(table, line, b[0].data(), b[1].data(), b[2].data(), b[3].data(),
                                     b[4].data(), b[5].data(), b[6].data());
    }
    std::array<std::string, 7> texts() const
    {
        std::array<std::string, 7> t;
        for (std::size_t k = 0; k < 7; ++k) t[k] = buffers[k].text();
        return t;
    }
};

struct SplitCase {
    const char* what;
    std::string line;  // from column 8
    std::array<std::string, 7> expected;
};

// Writes the cases as the item (table 0) or terminal (table 1) lines of a definition,
// selects it and checks what each line leaves in the seven buffers.
template <std::size_t N>
void expectSplits(int table, const SplitCase (&cases)[N])
{
    std::vector<std::string> lines;
    for (const auto& c : cases) lines.push_back(c.line);
    TempDir dir;
    writeText(dir, "QV200/100/TST.KRAT",
              table == 0 ? definition("Test", lines, {}) : definition("Test", {}, lines));
    ASSERT_EQ(KRAVinA_Block_Inf_Select("QV200   ", "1.00", "TST", folderOf(dir).c_str()), 0);
    for (std::size_t i = 0; i < N; ++i) {
        SCOPED_TRACE(cases[i].what);
        Fields f;
        ASSERT_EQ(f.get(table, int(i)), 0);
        EXPECT_EQ(f.texts(), cases[i].expected);
    }
}

TEST(BlockDefinition, ItemLineSplitter)
{
    const std::string sjis = "\x83\x65\x83\x58\x83\x67";  // CP932 text
    const SplitCase cases[] = {
        {"quoted comma kept, quotes removed", "12,\"A,B\",x", {"12", "A,B", "x", "~", "~", "~", "~"}},
        {"first field keeps its quotes", "\"Q,R\",b", {"\"Q,R\"", "b", "~", "~", "~", "~", "~"}},
        {"quote not after a comma does not protect", "a\"b,c", {"a\"b", "c", "~", "~", "~", "~", "~"}},
        {"choice text before the name", "FLAG,\"0:OFF,1:ON\"Mode,MD,,0,0;1",
         {"FLAG", "\"0:OFF,1:ON\"Mode", "MD", "", "0", "0;1", "~"}},
        {"one field empties fields 2 to 6", "NON", {"NON", "", "", "", "", "", "~"}},
        {"empty quotes give an empty field", "a,\"\",c", {"a", "", "c", "~", "~", "~", "~"}},
        {"eight fields fill seven buffers", "1,2,3,4,5,6,7,8", {"1", "2", "3", "4", "5", "6", "7"}},
        {"text after a closing quote", "a,\"b\"c,d", {"a", "\"b\"c", "d", "~", "~", "~", "~"}},
        {"double-byte text", "CHAR08," + sjis + ",AB", {"CHAR08", sjis, "AB", "~", "~", "~", "~"}},
    };
    expectSplits(0, cases);
}

TEST(BlockDefinition, UnterminatedQuoteRunsToTheLineWidth)
{
    TempDir dir;
    writeText(dir, "QV200/100/TST.KRAT", definition("Test", {"a,\"b,c"}, {}));
    ASSERT_EQ(KRAVinA_Block_Inf_Select("QV200", "1.00", "TST", folderOf(dir).c_str()), 0);
    Fields f;
    f.get(0, 0);
    EXPECT_EQ(f.texts()[1], "\"b,c\n");
    EXPECT_EQ(f.texts()[2], "~");
}

TEST(BlockDefinition, TerminalLineSplitter)
{
    const SplitCase cases[] = {
        {"type, name, abbreviation, number", "A,Input 1,IN1,10", {"A", "Input 1", "IN1", "", "", "", "10"}},
        {"quoted name", "D,\"Run,Stop\",RS,3", {"D", "Run,Stop", "RS", "", "", "", "3"}},
        {"type alone", "NON", {"NON", "", "", "", "", "", "~"}},
        {"two fields", "A,Out", {"A", "Out", "~", "", "", "", "~"}},
        {"fifth field ignored", "A,B,C,4,5", {"A", "B", "C", "", "", "", "4"}},
    };
    expectSplits(1, cases);
    Fields f;
    f.get(1, 99);  // a line the file does not hold
    EXPECT_EQ(f.texts()[0], "");
}

TEST(BlockDefinition, OverlongFieldsAreCutToTheirBuffers)
{
    const std::string longText(240, 'x');
    std::string dbcs;  // double-byte characters whose cut must not split one
    for (int i = 0; i < 100; ++i) dbcs += "\x82\xa0";
    TempDir dir;
    writeText(dir, "QV200/100/TST.KRAT",
              definition("Test", {longText, "T," + longText, "T,N,A,U,D,R," + longText.substr(0, 230), "T," + dbcs},
                         {longText, "A,N," + longText, "D," + longText}));
    ASSERT_EQ(KRAVinA_Block_Inf_Select("QV200", "1.00", "TST", folderOf(dir).c_str()), 0);
    for (int table : {0, 1}) {
        for (int line = 0; line < 4; ++line) {
            SCOPED_TRACE(table * 100 + line);
            Fields f;
            if (table == 1) {  // terminal widths
                f.buffers[0] = Guarded(KRAVINA_TERM_TYPE_SIZE);
                f.buffers[1] = Guarded(KRAVINA_TERM_NAME_SIZE);
                f.buffers[2] = Guarded(KRAVINA_TERM_ABBR_SIZE);
                for (int k = 0; k < 3; ++k) f.buffers[k].bytes[0] = '\0';
            }
            f.get(table, line);
            for (const auto& b : f.buffers) {
                EXPECT_TRUE(b.guardIntact());
                EXPECT_LT(strnlen(b.bytes.data(), b.bytes.size()), b.width);
            }
        }
    }
    Fields f;
    f.get(0, 3);
    const std::string name = f.texts()[1];
    EXPECT_EQ(name.size(), std::size_t(KRAVINA_DEF_NAME_SIZE - 2));  // 64 whole characters
    EXPECT_EQ(name.back(), '\xa0');
}

TEST(BlockDefinition, DefinitionLinesEndAtAShortLineAndFillTwoTables)
{
    TempDir dir;
    std::string text = definition("Test", {"FLOAT2,Gain"}, {"A,In,IN,5"});
    writeText(dir, "QV200/100/AAA.KRAT", text);
    // A line shorter than 6 characters ends the definition: the terminal is not loaded.
    std::string cut = text;
    cut.insert(cut.find("ITEM50,"), "ab\n");
    writeText(dir, "QV200/100/BBB.KRAT", cut);
    const std::string folder = folderOf(dir);

    Fields f;
    ASSERT_EQ(KRAVinA_Block_Inf_Select("QV200", "1.00", "AAA", folder.c_str()), 0);
    f.get(1, 0);
    EXPECT_EQ(f.texts()[6], "5");
    ASSERT_EQ(KRAVinA_Block_Inf_Select("QV200", "1.00", "BBB", folder.c_str()), 0);
    f.get(0, 49);
    EXPECT_EQ(f.texts()[0], "NON");
    f.get(0, 50);
    EXPECT_EQ(f.texts()[0], "");
    f.get(1, 0);
    EXPECT_EQ(f.texts()[0], "");
    // Selecting a missing definition clears the tables.
    ASSERT_EQ(KRAVinA_Block_Inf_Select("QV200", "1.00", "AAA", folder.c_str()), 0);
    EXPECT_EQ(KRAVinA_Block_Inf_Select("QV200", "1.00", "ZZZ", folder.c_str()), -1);
    f.get(0, 0);
    EXPECT_EQ(f.texts()[0], "");

    Fields untouched;
    for (int line : {-1, 100, 200}) EXPECT_EQ(untouched.get(0, line), -1);
    EXPECT_EQ(untouched.texts()[0], "~");
}

TEST(BlockDefinition, BlockName)
{
    TempDir dir;
    writeText(dir, "QV200/100/SYS.KRAT", "System block\r\nITEM00,NON\r\n");
    writeText(dir, "QV200/100/EMP.KRAT", "");
    writeText(dir, "QV200/100/LNG.KRAT", std::string(300, 'n') + "\n");
    writeText(dir, "QV200B/200/SYS.KRAT", "System block B\n");
    const std::string folder = folderOf(dir);
    struct Case {
        const char *model, *version, *code;
        int result;
        std::string name;
    } cases[] = {
        {"QV200   ", "1.00", "SYS", 0, "System block"},
        {"QV200B  ", "2.00", "SYS", 0, "System block B"},
        {"QV200   ", "1.00", "SYSTEM", 0, "System block"},  // the code is 3 characters
        {"QV200   ", "1.00", "LNG", 0, std::string(255, 'n')},
        {"QV200   ", "1.00", "EMP", -1, "~"},
        {"QV200   ", "1.10", "SYS", -1, "~"},
        {"QV200   ", "1.00", "..", -1, "~"},
        {"", "1.00", "SYS", -1, "~"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.model) + c.version + c.code);
        Guarded name(KRAVINA_BLOCK_NAME_SIZE);
        name.bytes[0] = '~', name.bytes[1] = '\0';
        EXPECT_EQ(KRAVinA_Block_Name_Get(c.model, c.version, c.code, name.data(), folder.c_str()), c.result);
        EXPECT_EQ(name.text(), c.name);
        EXPECT_TRUE(name.guardIntact());
    }
}

// ---------------------------------------------------------------- master lists

TEST(MasterLists, CountsLinesUpToTheFirstShortLine)
{
    TempDir dir;
    writeText(dir, "BLOCKMAST.KRAT", "21BCA,Batch\n22ECA,Eca\n");
    writeText(dir, "itemmast.krat", "FLAG\nINT1\n\nFLOAT1\n");
    writeText(dir, "TERMMAST.KRAT", "A,Analog\nD\n");
    writeText(dir, "FIELDNAME.KRAT", "1=QV100   \n");
    const std::string folder = folderOf(dir);
    const int expected[] = {2, 2, 1, 1};
    for (int type = 0; type < 4; ++type) EXPECT_EQ(KRAVinA_Mast_Num_Get(type, folder.c_str()), expected[type]);
    EXPECT_EQ(KRAVinA_Mast_Num_Get(4, folder.c_str()), -1);
    EXPECT_EQ(KRAVinA_Mast_Num_Get(-1, folder.c_str()), -1);
    TempDir empty;
    EXPECT_EQ(KRAVinA_Mast_Num_Get(0, folderOf(empty).c_str()), -1);
}

// A table longer than the bound is read up to it: the lines past it are not there.
TEST(MasterLists, TableIsReadUpToItsBound)
{
    const std::string line = "21BCA,X\n";  // 8 bytes
    const std::size_t fit = kravina::tables::kMaxTableSize / line.size();
    for (const std::size_t lines : {fit, fit + 10}) {
        TempDir dir;
        std::string text;
        text.reserve(lines * line.size());
        for (std::size_t n = 0; n < lines; ++n) text += line;
        writeText(dir, "BLOCKMAST.KRAT", text);
        EXPECT_EQ(KRAVinA_Mast_Num_Get(0, folderOf(dir).c_str()), static_cast<int>(fit)) << lines;
    }
}

// fuzz_tables (one byte picking the parser, then the table) is fuzzed up to the longest
// table the reader takes, from a seed of that length.
TEST(MasterLists, FuzzTargetReachesTheLongestTable)
{
    std::ifstream targets(KRAVIN_FUZZ_TARGETS);
    ASSERT_TRUE(targets) << KRAVIN_FUZZ_TARGETS;
    const std::size_t longest = kravina::tables::kMaxTableSize + 1;
    for (std::string line; std::getline(targets, line);) {
        std::istringstream row(line);
        std::string name;
        if (!(row >> name) || name != "fuzz_tables") continue;
        std::size_t maxLen = 0;
        ASSERT_TRUE(row >> maxLen) << line;
        EXPECT_EQ(maxLen, longest);
        std::vector<std::size_t> seeds;
        for (std::size_t size; row >> size;) seeds.push_back(size);
        EXPECT_NE(std::find(seeds.begin(), seeds.end(), longest), seeds.end()) << line;
        return;
    }
    ADD_FAILURE() << "no row for fuzz_tables";
}

TEST(MasterLists, FieldNamesOfAnId)
{
    TempDir dir;
    std::string text =
        "1=QV100   \n"
        "3=QV200   \n"
        "3=QV200B  \n"
        "3=\"QV=X\"  \n"
        "4=QV210   \n"
        "6=A\n";
    for (int i = 0; i < 20; ++i) text += "7=N" + std::to_string(10 + i) + "     \n";
    text += "9=LAST    \n";
    writeText(dir, "FIELDNAME.KRAT", text);
    const std::string folder = folderOf(dir);
    struct Case {
        int id, result;
        std::string entries;
    } cases[] = {
        {3, 0, "QV200   QV200B  \"QV=X\"  "},
        {1, 0, "QV100   "},
        {6, 0, std::string("A\0\0\0\0\0\0\0", 8)},
        {7, 0, ""},  // 16 names, filled below
        {9, 0, "LAST    "},
        {2, -1, "~"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        Guarded entries(KRAVINA_FIELDNAME_SIZE * KRAVINA_FIELDNAME_MAX + 1);
        entries.bytes[0] = '~', entries.bytes[1] = '\0';
        const int result = KRAVinA_Mast_FiledName_Get(c.id, entries.data(), folder.c_str());
        if (c.id == 7) {
            EXPECT_EQ(result, 0);
            EXPECT_EQ(std::string(entries.data(), 8), "N10     ");
            EXPECT_EQ(std::string(entries.data() + 8 * 15, 8), "N25     ");
            EXPECT_EQ(entries.bytes[8 * 16], '\0');
        } else if (c.id == 9) {
            EXPECT_EQ(result, -1);  // the table ended after its names: they are kept
            EXPECT_EQ(std::string(entries.data(), 9), std::string("LAST    \0", 9));
        } else {
            EXPECT_EQ(result, c.result);
            EXPECT_EQ(std::string(entries.data(), c.entries.size()), c.entries);
        }
        EXPECT_TRUE(entries.guardIntact());
    }
    char keep[4] = "abc";
    EXPECT_EQ(KRAVinA_Mast_FiledName_Get(100, keep, folder.c_str()), -1);
    EXPECT_EQ(KRAVinA_Mast_FiledName_Get(-1, keep, folder.c_str()), -1);
    EXPECT_STREQ(keep, "abc");
}

TEST(MasterLists, InfraredCards)
{
    TempDir dir;
    writeText(dir, "IRCARD.KRAT", "comment line\n1=TJK5    \n2=TJW\n");
    const std::string folder = folderOf(dir);
    const struct {
        const char* name;
        int result;
    } cases[] = {{"TJK5    ", 1}, {"TJK5", 1}, {"TJW", 1}, {"TJW     ", 0}, {"TJ", 1},
                 {"QV200", 0},     {"", 0},     {"comment", 0}};
    for (const auto& c : cases) EXPECT_EQ(KRAVinA_IRCardName_Comp(c.name, folder.c_str()), c.result) << c.name;
    // The name is at most 8 characters: a longer caller text is compared over its first 8.
    EXPECT_EQ(KRAVinA_IRCardName_Comp("TJK5    garbage", folder.c_str()), 1);
    TempDir empty;
    EXPECT_EQ(KRAVinA_IRCardName_Comp("TJK5", folderOf(empty).c_str()), 0);
}

// ---------------------------------------------------------------- line ends and name case

// Every query of a table set, as one text to compare.
std::string queryAll(const std::string& folder)
{
    std::string out;
    for (int table : {0, 1}) {
        const int n = KRAVinA_Card_Kind_Get_Num(table, folder.c_str());
        out += std::to_string(n) + ";";
        for (int i = 0; i < n; ++i) {
            char name[8];
            int bus = 0, speed = 0, value = 0;
            char versions[128] = {};
            const int v = KRAVinA_Card_K_V_Get(table, i, name, &bus, &speed, &value, versions, folder.c_str());
            out += std::string(name, 8) + std::to_string(bus) + std::to_string(speed) + std::to_string(value) +
                   std::string(versions, 4 * v) + ";";
        }
    }
    for (int g = 0; g < 100; ++g) {
        char codes[256];
        const int n = KRAVinA_Valid_Block_Get(g == 0, "QV200", "1.00", g, codes, folder.c_str());
        out += std::to_string(n) + std::string(codes, n > 0 ? 5 * n : 0) + ";";
    }
    char name[256];
    out += std::to_string(KRAVinA_Block_Name_Get("QV200", "1.00", "SYS", name, folder.c_str())) + name + ";";
    KRAVinA_Block_Inf_Select("QV200", "1.00", "SYS", folder.c_str());
    for (int table : {0, 1}) {
        for (int line = 0; line < 100; ++line) {
            Fields f;
            f.get(table, line);
            for (const auto& t : f.texts()) out += t + "|";
        }
    }
    for (int type = 0; type < 4; ++type) out += std::to_string(KRAVinA_Mast_Num_Get(type, folder.c_str()));
    for (int id = 0; id < 10; ++id) {
        char entries[256] = {};
        out += std::to_string(KRAVinA_Mast_FiledName_Get(id, entries, folder.c_str())) + entries + ";";
    }
    out += std::to_string(KRAVinA_IRCardName_Comp("TJK5    ", folder.c_str()));
    return out;
}

TEST(LineEnds, WindowsTablesReadLikeUnixTables)
{
    const std::string sjisName = "\x83\x56\x83\x58\x83\x65\x83\x80";
    const std::vector<std::pair<std::string, std::string>> files = {
        {"COMCARD.KRAT", kKinds},
        {"KBSCARD.KRAT", "CARD=QV200\nUBus\n9600\n2\n1.00\nCARD=TQRC$\nYBus\n1200\n1\n1.0\n"},
        {"QV200___100.KRAT", "GROUP=00\n00SYS\nGROUP=01\n01QVA\n01QVB\nGROUP=80\n94SSW\n"},
        {"QV200/100/SYS.KRAT",
         definition(sjisName, {"STATION,\"st\"Station,ST,,00,00_3F", "CHAR08," + sjisName + ",NM", "NON"},
                    {"A,In 1,I1,10", "D,\"On,Off\",DO,11", "NON"}) +
             "\n"},
        {"BLOCKMAST.KRAT", "00SYS,System\n94SSW,Switch\n"},
        {"ITEMMAST.KRAT", "FLAG\n"},
        {"TERMMAST.KRAT", "A\nD\n"},
        {"FIELDNAME.KRAT", "1=QV100   \n1=QV110   \n2=" + sjisName + "\n"},
        {"IRCARD.KRAT", "1=TJK5    \n"},
    };
    TempDir lf, windows, upper;
    for (const auto& [name, text] : files) {
        writeText(lf, name, text);
        writeText(windows, name, crlf(text) + "\x1a");  // Windows editors may end a text with Ctrl-Z
        std::string lower = name;
        for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
        writeText(upper, lower, text);
    }
    const std::string expected = queryAll(folderOf(lf));
    EXPECT_NE(expected.find(sjisName), std::string::npos);
    EXPECT_EQ(queryAll(folderOf(windows)), expected);
    EXPECT_EQ(queryAll(folderOf(upper)), expected);
}

// ---------------------------------------------------------------- maintenance

TEST(Maintenance, DupBlockCopiesADefinition)
{
    TempDir dir;
    const std::string text = definition("Gain block", {"FLOAT2,Gain,G,,1.00,0_10"}, {});
    writeText(dir, "QV200BX/100/MLT.KRAT", text);
    fs::create_directories(dir.path() / "QV200BX/110");
    const std::string folder = folderOf(dir);
    EXPECT_EQ(KRAVinA_Dup_Block("QV200BX ", "1.00", "MLT", "QV200BX ", "1.10", folder.c_str()), 0);
    EXPECT_EQ(kravin::test::readBytes(dir / "QV200BX/110/MLT.KRAT"),
              kravin::test::readBytes(dir / "QV200BX/100/MLT.KRAT"));
    // Copying a file onto itself keeps it.
    EXPECT_EQ(KRAVinA_Dup_Block("QV200BX", "1.00", "MLT", "QV200BX", "1.00", folder.c_str()), 0);
    EXPECT_EQ(kravin::test::readBytes(dir / "QV200BX/100/MLT.KRAT").size(), text.size());
    // No source, no target folder: nothing is written.
    EXPECT_EQ(KRAVinA_Dup_Block("QV200BX", "1.00", "ZZZ", "QV200BX", "1.10", folder.c_str()), -1);
    EXPECT_EQ(KRAVinA_Dup_Block("QV200BX", "1.00", "MLT", "QV210", "1.00", folder.c_str()), -1);
    EXPECT_FALSE(fs::exists(dir / "QV200BX/110/ZZZ.KRAT"));
    EXPECT_FALSE(fs::exists(dir / "QV210"));
}

TEST(Maintenance, VersionDatesTakeTheLatestDefinition)
{
    TempDir dir;
    writeText(dir, "QV200/100/SYS.KRAT", "System\n");
    writeText(dir, "QV200/100/LONGER.KRAT", "not a block\n");
    writeText(dir, "QV200___100.KRAT", "GROUP=00\n00SYS\n");
    const auto at = [](int seconds) {
        return fs::file_time_type::clock::now() - std::chrono::seconds(seconds);
    };
    fs::last_write_time(dir.path() / "QV200/100", at(5000));
    fs::last_write_time(dir.path() / "QV200/100/LONGER.KRAT", at(100));
    fs::last_write_time(dir.path() / "QV200___100.KRAT", at(3000));
    fs::last_write_time(dir.path() / "QV200/100/SYS.KRAT", at(2000));
    const std::string folder = folderOf(dir);
    int created = -1, latest = -1;
    ASSERT_EQ(KRAVinA_Card_K_VDate_Get("QV200   ", "1.00", &created, &latest, folder.c_str()), 0);
    const auto seconds = [](fs::file_time_type t) {
        return std::chrono::duration_cast<std::chrono::seconds>(
                   std::chrono::file_clock::to_sys(t).time_since_epoch())
            .count();
    };
    EXPECT_EQ(latest, seconds(fs::last_write_time(dir.path() / "QV200/100/SYS.KRAT")));
    EXPECT_GT(created, 0);
    fs::last_write_time(dir.path() / "QV200___100.KRAT", at(10));
    KRAVinA_Card_K_VDate_Get("QV200", "1.00", &created, &latest, folder.c_str());
    EXPECT_EQ(latest, seconds(fs::last_write_time(dir.path() / "QV200___100.KRAT")));

    created = latest = 7;
    EXPECT_EQ(KRAVinA_Card_K_VDate_Get("QV200", "1.10", &created, &latest, folder.c_str()), -1);
    EXPECT_EQ(created + latest, 14);
}

TEST(Maintenance, BackupInformationAndClear)
{
    TempDir root;
    const std::string backup = root / "BK";
    const std::string second = root / "WORK";
    fs::create_directories(backup);
    fs::create_directories(second);
    writeText(root, "BK/backinfo.krat", "QV200B,2.00,17\r\nignored\r\n");
    for (const char* f : {"SYS.BAK", "ADS.bak", "MLTX.BAK", "AB.BAK", "LAG.TXT"}) writeText(root, std::string("BK/") + f, "x");

    char name[8], code[4];
    int number = 0, count = 0;
    Guarded list(3 * KRAVINA_BACKUP_LIST_MAX);
    ASSERT_EQ(KRAVinA_Backup_Block_Info(name, code, &number, &count, list.data(), backup.c_str()), 0);
    EXPECT_EQ(std::string(name, 8), std::string("QV200B\0\0", 8));
    EXPECT_EQ(std::string(code, 4), "2.00");
    EXPECT_EQ(number, 17);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(std::string(list.data(), 6), "ADSSYS");

    writeText(root, "BK/BACKINFO.KRAT", "ONLYNAME\n");
    fs::remove(fs::path(backup) / "backinfo.krat");
    ASSERT_EQ(KRAVinA_Backup_Block_Info(name, code, &number, &count, list.data(), backup.c_str()), 0);
    EXPECT_EQ(std::string(name, 8), "ONLYNAME");
    EXPECT_EQ(std::string(code, 4), "    ");
    EXPECT_EQ(number, -1);

    // Clear: the information and the backups go; the folder stays while other files remain.
    EXPECT_EQ(KRAVinA_Backup_Block_Clear(backup.c_str(), second.c_str()), 0);
    EXPECT_FALSE(fs::exists(fs::path(backup) / "BACKINFO.KRAT"));
    EXPECT_FALSE(fs::exists(fs::path(backup) / "SYS.BAK"));
    EXPECT_TRUE(fs::exists(fs::path(backup) / "LAG.TXT"));
    EXPECT_FALSE(fs::exists(second));
    EXPECT_EQ(KRAVinA_Backup_Block_Info(name, code, &number, &count, list.data(), backup.c_str()), -1);
    for (const char* f : {"MLTX.BAK", "AB.BAK", "LAG.TXT"}) fs::remove(fs::path(backup) / f);
    EXPECT_EQ(KRAVinA_Backup_Block_Clear((backup + "/").c_str(), second.c_str()), 0);
    EXPECT_FALSE(fs::exists(backup));

    writeText(root, "EMPTY/BACKINFO.KRAT", "");
    EXPECT_EQ(KRAVinA_Backup_Block_Info(name, code, &number, &count, list.data(), (root / "EMPTY").c_str()), -1);
}

TEST(Maintenance, BackupListNeverOverrunsItsBuffer)
{
    TempDir dir;
    writeText(dir, "BACKINFO.KRAT", "N,C,1\n");
    for (int i = 0; i < 150; ++i)
        writeText(dir, std::string{char('A' + i / 26), char('A' + i % 26), 'X'} + ".BAK", "x");
    char name[8], code[4];
    int number, count;
    Guarded list(3 * KRAVINA_BACKUP_LIST_MAX);
    ASSERT_EQ(KRAVinA_Backup_Block_Info(name, code, &number, &count, list.data(), dir.str().c_str()), 0);
    EXPECT_LE(count, KRAVINA_BACKUP_LIST_MAX);
    EXPECT_TRUE(list.guardIntact());
}

TEST(Maintenance, EnvironmentCheckAndCreate)
{
    TempDir dir;
    const std::string a = dir / "A/", b = dir / "B", c = dir / "B/C/";
    EXPECT_EQ(KRAVinA_Env_ChkSet(0, a.c_str(), b.c_str(), c.c_str()), -1);
    EXPECT_EQ(KRAVinA_Env_ChkSet(1, a.c_str(), b.c_str(), c.c_str()), 0);
    EXPECT_TRUE(fs::is_directory(dir / "A") && fs::is_directory(dir / "B/C"));
    EXPECT_EQ(KRAVinA_Env_ChkSet(1, a.c_str(), b.c_str(), c.c_str()), 0);
    EXPECT_EQ(KRAVinA_Env_ChkSet(0, a.c_str(), b.c_str(), c.c_str()), 0);
    fs::remove(dir / "A");
    EXPECT_EQ(KRAVinA_Env_ChkSet(0, a.c_str(), b.c_str(), c.c_str()), -1);
    const std::string deep = dir / "X/Y/Z";
    EXPECT_EQ(KRAVinA_Env_ChkSet(1, deep.c_str(), b.c_str(), c.c_str()), -1);
    EXPECT_EQ(KRAVinA_Env_ChkSet(1, nullptr, b.c_str(), c.c_str()), -1);
}

// ---------------------------------------------------------------- the shipped table set

std::string trimmed(const std::string& s)
{
    const auto end = s.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : s.substr(0, end + 1);
}

TEST(SampleTables, EveryKindVersionAndBlockParses)
{
    const std::string folder = std::string(KRAVIN_SAMPLE_TABLES) + "/";
    std::set<std::string> kinds, itemTypes, terminalTypes, checked;
    for (int table : {0, 1}) {
        const int n = KRAVinA_Card_Kind_Get_Num(table, folder.c_str());
        ASSERT_GT(n, 0) << table;
        for (int i = 0; i < n; ++i) {
            char name[8];
            int bus = -1, speed = -1, value = -1;
            char versions[4 * KRAVINA_KIND_VERSIONS_MAX];
            const int count = KRAVinA_Card_K_V_Get(table, i, name, &bus, &speed, &value, versions, folder.c_str());
            const std::string kind(name, 8);
            SCOPED_TRACE(kind);
            EXPECT_GE(count, 1);
            EXPECT_EQ(kind.find_first_of(std::string("\n\r\0", 3)), std::string::npos);
            EXPECT_TRUE(bus == 0 || bus == 1);
            EXPECT_TRUE(speed >= 0 && speed <= 2);
            EXPECT_GT(value, 0);
            kinds.insert(trimmed(kind));
            for (int v = 0; v < count; ++v) {
                const std::string version(versions + 4 * v, 4);
                SCOPED_TRACE(version);
                char codes[256];
                ASSERT_GE(KRAVinA_Valid_Block_Get(1, name, version.c_str(), 0, codes, folder.c_str()), 1);
                EXPECT_EQ(std::string(codes, 5), "00SYS");
                for (int g = 0; g < 100; ++g) {
                    const int c = KRAVinA_Valid_Block_Get(0, name, version.c_str(), g, codes, folder.c_str());
                    for (int k = 0; k < c; ++k) {
                        const std::string code(codes + 5 * k, 5);
                        if (!checked.insert(kind + version + code).second) continue;
                        SCOPED_TRACE(code);
                        const std::string id = code.substr(2);
                        char blockName[256];
                        ASSERT_EQ(KRAVinA_Block_Name_Get(name, version.c_str(), id.c_str(), blockName, folder.c_str()), 0);
                        EXPECT_GT(std::strlen(blockName), 0u);
                        ASSERT_EQ(KRAVinA_Block_Inf_Select(name, version.c_str(), id.c_str(), folder.c_str()), 0);
                        std::array<std::string, 100> types;
                        for (int item = 0; item < 100; ++item) {
                            Fields f;
                            ASSERT_EQ(f.get(0, item), 0);
                            types[item] = f.texts()[0];
                            EXPECT_FALSE(types[item].empty()) << "item " << item;
                            itemTypes.insert(types[item]);
                            if (code.substr(0, 2) == "95" && item > 10) {
                                EXPECT_EQ(types[item], "SEQ");
                            }
                        }
                        for (int term = 0; term < 100; ++term) {
                            Fields f;
                            f.get(1, term);
                            const auto t = f.texts();
                            if (t[0].empty()) break;
                            terminalTypes.insert(t[0]);
                            ASSERT_TRUE(t[0] == "A" || t[0] == "D") << t[0];
                            const int item = std::atoi(t[6].c_str());
                            ASSERT_TRUE(item >= 0 && item < 100 && t[6].find_first_not_of("0123456789") == std::string::npos);
                            EXPECT_NE(types[item].substr(0, 3), "NON") << "terminal " << term;
                            EXPECT_FALSE(t[1].empty());
                        }
                    }
                }
            }
        }
    }
    for (const char* kind : {"QV100", "QV110", "QV200", "QV200B", "QV200BX", "QV200C", "QV200D", "QV200E", "QV200W",
                             "QV200X", "QV210", "QV210W", "V8RTU", "TQRQ", "TQRQ$", "TQRC", "TQRC$", "TQRJ",
                             "TQRN", "TQRW", "RNH6", "RNZ6", "RNJ6", "63NW", "TQNW", "TJK5", "TJW", "KMQ", "PWZ",
                             "63WH"})
        EXPECT_TRUE(kinds.count(kind)) << kind;
    for (const char* type : {"FLAG", "HEX_FLAG", "CHAR_FLAG", "FACTORIAL", "INT1", "INT2", "INT3", "INT4", "INT5",
                             "INT6", "INT7", "INT8", "FLOAT1", "FLOAT2", "FLOAT3", "FLOAT4", "FA_FLOAT2",
                             "FA_FLOAT3", "FA_FLOAT4", "CHAR02", "CHAR08", "CHAR16", "STATION", "CARD", "GROUP",
                             "TEL_TARGET", "ANACOM", "ITEMCOM", "INTCH4", "SEQ", "47K_COM", "TQRC_COM",
                             "58R_COM", "NON", "NONE"})
        EXPECT_TRUE(itemTypes.count(type)) << type;
    EXPECT_EQ(terminalTypes, (std::set<std::string>{"A", "D"}));

    for (int type = 0; type < 4; ++type) EXPECT_GT(KRAVinA_Mast_Num_Get(type, folder.c_str()), 0) << type;
    char entries[256] = {};
    KRAVinA_Mast_FiledName_Get(14, entries, folder.c_str());
    EXPECT_STREQ(entries, "TQNW2   TQGW2   ");
    EXPECT_EQ(KRAVinA_IRCardName_Comp("TJK5    ", folder.c_str()), 1);
    EXPECT_EQ(KRAVinA_IRCardName_Comp("QV200   ", folder.c_str()), 0);
}

}  // namespace
