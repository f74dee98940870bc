#include "texts.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

using namespace kravinb;

namespace {

std::string conversions(const std::string& text)
{
    static const std::regex conversion("%(%|s|d|4d|02d)");
    std::string out;
    for (std::sregex_iterator it(text.begin(), text.end(), conversion), end; it != end; ++it) out += it->str();
    return out;
}

}  // namespace

TEST(KravinbTexts, SortedWithTheSameConversionsInBothLanguages)
{
    const std::vector<int> ids = AllTextIds();
    ASSERT_FALSE(ids.empty());
    for (std::size_t i = 1; i < ids.size(); ++i) EXPECT_LT(ids[i - 1], ids[i]);
    for (int id : ids) {
        const std::string en = LookupText(id, Language::English), ja = LookupText(id, Language::Japanese);
        EXPECT_FALSE(en.empty()) << id;
        EXPECT_FALSE(ja.empty()) << id;
        EXPECT_EQ(conversions(en), conversions(ja)) << id;
    }
}

TEST(KravinbTexts, FormatsItsArgumentsAndShowsMismatchesRaw)
{
    EXPECT_EQ(FormatText(8400, Language::English, {std::int64_t{1}, std::int64_t{2}}),
              "Number of processed files     1/   2");
    EXPECT_EQ(FormatText(7103, Language::English, {std::string("S05C3")}),
              "Backup filename is abbreviated. Are you sure to Start backup with \"S05C3.BKC\" as filename?");
    EXPECT_EQ(FormatText(8411, Language::English, {std::string("P QV200 Ver 1.00")}),
              "Delete \"P QV200 Ver 1.00\" backup File");
    EXPECT_EQ(FormatText(7108, Language::English, {std::int64_t{100}}),
              "Backup location has %d bytes of free space and currently %d bytes is required.");
    EXPECT_EQ(FormatText(1, Language::English), "#1");
}
