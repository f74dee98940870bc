// Property: a grid that translates converts back into a grid that translates
// into the very same codes.
#include <gtest/gtest.h>

#include <random>

#include "ladder_convert.h"
#include "ladder_fixtures.h"
#include "ladder_translate.h"

namespace kravin::ladder {
namespace {

using namespace test;

class ProgramGenerator {
public:
    explicit ProgramGenerator(unsigned seed) : rng_(seed) {}

    // A random program of series-parallel rungs, written as codes.
    std::vector<std::string> Program()
    {
        std::vector<std::string> codes;
        const int steps = Pick(1, 3);
        for (int s = 0; s < steps; ++s) {
            codes.push_back(Code(13, 0, s));
            if (s > 0 && Pick(0, 4) == 0) codes.push_back(Code(14, Pick(1, 2) * 10 + Pick(0, 9), Pick(0, 99)));
            const int rungs = Pick(1, 3);
            for (int r = 0; r < rungs; ++r) {
                if (Pick(0, 5) > 0) Expr(Pick(0, 3), codes);
                const int coils = Pick(1, 3);
                for (int c = 0; c < coils; ++c)
                    codes.push_back(s > 0 && Pick(0, 6) == 0 ? Code(12, 81 + Pick(0, 11), Pick(1, 19))
                                                             : Code(Pick(7, 11), Pick(1, 99), Pick(1, 99)));
            }
        }
        return codes;
    }

private:
    int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    static std::string Code(int a, int b, int c)
    {
        char buf[40];
        if (a == 14) std::snprintf(buf, sizeof buf, "14%03d", b * 10 + c % 10);   // timer v and ttt
        else std::snprintf(buf, sizeof buf, "%02d%02d%02d", a, b % 100, c % 100);
        return buf;
    }
    std::string Contact(int type) { return Code(type + Pick(0, 1), Pick(1, 99), Pick(1, 99)); }

    // Emits an expression of the given nesting depth as a new value (load first).
    void Expr(int depth, std::vector<std::string>& out)
    {
        if (depth == 0) {
            out.push_back(Contact(1));
            return;
        }
        const bool parallel = Pick(0, 1) == 1;
        const int parts = Pick(2, 3);
        Expr(depth - 1, out);
        for (int i = 1; i < parts; ++i) {
            if (Pick(0, 2) == 0) {
                out.push_back(Contact(parallel ? 5 : 3));
            } else {
                Expr(depth - 1, out);
                out.push_back(parallel ? "050000" : "030000");
            }
        }
    }

    std::mt19937 rng_;
};

std::array<StepCode, kStepsPerGroup> ToCodes(const std::vector<std::string>& texts)
{
    std::array<StepCode, kStepsPerGroup> codes;
    codes.fill(MakeStepCode(kEmptyCode));
    for (std::size_t i = 0; i < texts.size() && i < codes.size(); ++i) codes[i] = MakeStepCode(texts[i]);
    return codes;
}

void ExpectStable(LadderGrid grid, const std::string& what)
{
    LadderTranslation first = TranslateGrid(grid);
    if (first.error != kLadderOk) return;
    LadderGrid back;
    ASSERT_EQ(ConvertStepsToGrid(first.codes, back), 0) << what;
    LadderTranslation second = TranslateGrid(back);
    ASSERT_EQ(second.error, kLadderOk) << what << " " << LadderErrorText(second.error) << " at "
                                       << second.errorPos.row << "," << second.errorPos.col;
    EXPECT_EQ(ProgramText(second.codes), ProgramText(first.codes)) << what;
    EXPECT_EQ(second.codes, first.codes) << what;
}

// Meaning-preserving edits a user might leave behind: an empty row, and a
// contact moved right along a wire.
void Disturb(LadderGrid& g, std::mt19937& rng)
{
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    int last = kLadderRows - 1;
    while (last > 0 && g.RowEmpty(last)) --last;
    if (last < kLadderRows - 2 && pick(0, 1)) {
        const int at = pick(1, last);
        if (g.g_ladderLinks[at - 1] == 0) {
            for (int r = kLadderRows - 1; r > at; --r) {
                for (int c = 0; c < kLadderCols; ++c) g.Cell(r, c) = g.Cell(r - 1, c);
                g.g_ladderCoils[r] = g.g_ladderCoils[r - 1];
                g.g_ladderLinks[r] = g.g_ladderLinks[r - 1];
            }
            for (int c = 0; c < kLadderCols; ++c) g.Cell(at, c) = kCellEmpty;
            g.g_ladderCoils[at] = kCoilNone;
            g.g_ladderLinks[at] = 0;
        }
    }
    for (int n = pick(0, 3); n > 0; --n) {
        const int r = pick(0, last), c = pick(0, kLadderCols - 2);
        // Column 0 stays: it decides the kind of the rung.
        if (c > 0 && IsContact(g.Cell(r, c)) && g.Cell(r, c + 1) == kCellWire && !g.Link(r, c) && !g.Link(r - 1, c))
            std::swap(g.Cell(r, c), g.Cell(r, c + 1));
    }
}

TEST(LadderRoundTripTest, GeneratedProgramsTranslateConvertTranslate)
{
    ProgramGenerator gen(12345);
    std::mt19937 rng(777);
    int translated = 0;
    for (int i = 0; i < 3000; ++i) {
        const auto program = gen.Program();
        LadderGrid grid;
        if (ConvertStepsToGrid(ToCodes(program), grid) != 0) continue;
        if (i % 2) Disturb(grid, rng);
        LadderGrid probe = grid;
        if (TranslateGrid(probe).error == kLadderOk) ++translated;
        ExpectStable(grid, "program " + std::to_string(i));
        if (HasFailure()) return;
    }
    EXPECT_GT(translated, 1500);
}

TEST(LadderRoundTripTest, RandomGridsTranslateConvertTranslate)
{
    std::mt19937 rng(4242);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    int translated = 0;
    for (int i = 0; i < 20000; ++i) {
        LadderGrid g = MakeGrid({StepRow(0)});
        const int rows = pick(1, 4);
        const int width = pick(1, 8);
        for (int r = 1; r <= rows; ++r) {
            for (int c = 0; c < kLadderCols; ++c) {
                const int k = c < width ? pick(0, 9) : 9;
                g.Cell(r, c) = k < 3 ? NO(pick(1, 9), pick(1, 9)) : k < 4 ? NC(pick(1, 9), pick(1, 9))
                             : k < 7 ? kCellWire : kCellEmpty;
            }
            if (r == 1) {
                for (int c = width; c < kLadderCols; ++c) g.Cell(r, c) = kCellWire;
                g.g_ladderCoils[r] = OUT(pick(1, 9), pick(1, 9));
            } else if (pick(0, 5) == 0) {
                g.g_ladderCoils[r] = OUT(pick(1, 9), pick(1, 9));
            }
            if (r < rows) g.g_ladderLinks[r] = static_cast<uint8_t>(pick(1, 255) & pick(0, 255));
            if (r < rows && g.g_ladderLinks[r] == 0) g.g_ladderLinks[r] = static_cast<uint8_t>(1u << pick(0, 7));
        }
        LadderGrid probe = g;
        if (TranslateGrid(probe).error == kLadderOk) ++translated;
        ExpectStable(g, "grid " + std::to_string(i));
        if (HasFailure()) return;
    }
    EXPECT_GT(translated, 200);
}

}  // namespace
}  // namespace kravin::ladder

namespace kravin::ladder {
namespace {

using namespace test;

// Damaged input never crashes and always ends in a known result.
TEST(LadderRobustnessTest, ArbitraryGridsGiveAKnownResult)
{
    std::mt19937 rng(99);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const int32_t values[] = {E, W, NO(1, 1), NC(2, 2), MakeValue(5, 3, 3), STEP(0), STEP(1), STEP(25), TIMER(1, 5),
                              0, 150000, 999999, -7, OUT(1, 1), MakeValue(12, 0, 0)};
    const int32_t coils[] = {kCoilNone, kCoilWire, OUT(1, 1), MakeValue(12, 81, 2), MakeValue(12, 0, 0), 5, -9,
                             130000};
    for (int i = 0; i < 5000; ++i) {
        LadderGrid g;
        const int rows = pick(1, kLadderRows);
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < kLadderCols; ++c) g.Cell(r, c) = values[pick(0, std::size(values) - 1)];
            g.g_ladderCoils[r] = coils[pick(0, std::size(coils) - 1)];
            g.g_ladderLinks[r] = static_cast<uint8_t>(pick(0, 3) == 0 ? pick(0, 255) : 0);
        }
        LadderTranslation t = TranslateGrid(g);
        EXPECT_TRUE(t.error == kLadderOk || (t.error <= kErrNotConnected && t.error >= kErrRungWithoutOutput))
            << t.error;
        EXPECT_TRUE(t.errorPos.row >= 0 && t.errorPos.row < kLadderRows && t.errorPos.col >= 0 &&
                    t.errorPos.col <= kCoilCol);
    }
}

TEST(LadderRobustnessTest, ArbitraryCodeListsConvertOrFail)
{
    std::mt19937 rng(7);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const char chars[] = "0000011223456789*A ";
    for (int i = 0; i < 5000; ++i) {
        std::array<StepCode, kStepsPerGroup> codes;
        for (auto& code : codes) {
            for (auto& ch : code) ch = chars[pick(0, sizeof chars - 2)];
            if (pick(0, 2) == 0) code[0] = '0', code[1] = static_cast<char>('1' + pick(0, 4));
        }
        LadderGrid g;
        const int r = ConvertStepsToGrid(codes, g);
        EXPECT_TRUE(r == 0 || r == -1);
    }
}

}  // namespace
}  // namespace kravin::ladder
