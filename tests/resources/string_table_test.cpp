#include "string_table.h"

#include <gtest/gtest.h>

#include <QString>

#include <regex>

using namespace kravin::res;

namespace {

// The conversions of a text, in order ("%d", "%02d", "%s"); "%%" is no conversion.
std::vector<std::string> conversions(const std::string& text)
{
    std::vector<std::string> out;
    static const std::regex conv("%(%|02d|d|s|.?)");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), conv); it != std::sregex_iterator(); ++it) {
        if (it->str() != "%%") out.push_back(it->str());
    }
    return out;
}

}  // namespace

TEST(StringTable, EveryIdHasBothLanguagesWithTheSameConversions)
{
    const std::vector<int> ids = allIds();
    ASSERT_FALSE(ids.empty());
    EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()));
    EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end()) << "duplicate id";
    for (int id : ids) {
        const char* en = lookup(id, Language::English);
        const char* ja = lookup(id, Language::Japanese);
        ASSERT_NE(en, nullptr) << id;
        ASSERT_NE(ja, nullptr) << id;
        EXPECT_STRNE(en, "") << id;
        EXPECT_STRNE(ja, "") << id;
        const auto ce = conversions(en);
        EXPECT_EQ(ce, conversions(ja)) << id;
        for (const std::string& c : ce) EXPECT_TRUE(c == "%d" || c == "%02d" || c == "%s") << id << " " << c;
        EXPECT_TRUE(QString::fromUtf8(ja).toUtf8() == QByteArray(ja)) << id << " is not UTF-8";
    }
}

TEST(StringTable, TextsTheProjectRoadsQuote)
{
    struct Case {
        int id;
        const char* text;
    };
    const Case cases[] = {
        {7003, "Project file is saved."},
        {7004, "The specified project file is of old format. Do you want to convert it to \nKRAV3 format? \n"
               " (Old format file cannot be edited.)"},
        {7005, "The project file was created by a newer version of the product."},
        {7010, "The specified project file does not exist."},
        {7011, "Cannot open a project file in edit mode."},
        {7012, "Failed to open project file. (%d)"},
        {7013, "Failed to save project file. (%d)"},
        {7014, "Enter project name and location."},
        {7018, "Cannot access project file."},
        {6008, "Project file properties"},
        {61449, "Untitled"},
        {9300, "TQN(JOV-UM)"},
        {9303, "QVxxx(JOV-IRDA)"},
        {9304, "QVxxx(JOV-US)"},
        {9305, "TJK5(JOV-IRU)"},
        {9306, "V8RTU(JOV-US)"},
        {9308, "TQN"},
        {9309, "TJW(JOV-US)"},
        {9401, "TJK5(JOV-US)"},
    };
    for (const Case& c : cases) EXPECT_STREQ(lookup(c.id, Language::English), c.text) << c.id;
    EXPECT_EQ(lookup(1, Language::English), nullptr);
}

TEST(StringTable, FormatterAcceptsOnlyTheDeclaredConversions)
{
    EXPECT_EQ(format(7012, Language::English, {std::int64_t{13}}), "Failed to open project file. (13)");
    EXPECT_EQ(format(7013, Language::Japanese, {std::int64_t{-1}}),
              "プロジェクトファイルを保存できませんでした。(-1)");
    // Wrong kind, missing or surplus arguments, unknown id.
    EXPECT_EQ(format(7012, Language::English, {std::string("x")}), std::nullopt);
    EXPECT_EQ(format(7012, Language::English, {}), std::nullopt);
    EXPECT_EQ(format(7003, Language::English, {std::int64_t{1}}), std::nullopt);
    EXPECT_EQ(format(42, Language::English, {}), std::nullopt);
    // message() always gives something to show.
    EXPECT_EQ(message(7012, Language::English, {}), "Failed to open project file. (%d)");
    EXPECT_EQ(message(42, Language::English, {std::int64_t{5}, std::string("a")}), "#42 5 a");
}

TEST(StringTable, ConversionForms)
{
    struct Case {
        const char* text;
        MessageArgs args;
        bool ok;
    };
    const Case cases[] = {
        {"%02d:%02d", {std::int64_t{5}, std::int64_t{42}}, true},
        {"%s (%d)", {std::string("a"), std::int64_t{1}}, true},
        {"100%%", {}, true},
        {"%x", {std::int64_t{1}}, false},
        {"%5d", {std::int64_t{1}}, false},
        {"%", {}, false},
        {"%ld", {std::int64_t{1}}, false},
    };
    for (const Case& c : cases) EXPECT_EQ(conversionsMatch(c.text, c.args), c.ok) << c.text;
}
