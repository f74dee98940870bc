// The card count, version, print, jump label, comment, line format, group and
// device layout dialogs: what they show, accept and refuse.
#include "dialogs/small_dialogs.h"
#include "qt_app.h"
#include "scripted_prompt.h"
#include "system_fixture.h"
#include "text_codec.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace kravin::editors {
namespace {

using res::Language;
using test::fixtureMasters;
using test::placeCard;
using test::placeStation;

class SmallDialogs : public ::testing::Test {
protected:
    void SetUp() override { test::qtApp(); }
    test::ScriptedPrompt prompt;
};

TEST_F(SmallDialogs, CardCountRefusesOutsideItsRangeAndKeepsTheDialog)
{
    const CardCountRange range = cardCountRange(1, 0, "V8RTU   ", "", 4);
    CardCountDialog d(range, prompt, Language::English);
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Number of cards registration"));
    // Shown, the title bar has room for the whole title.
    d.show();
    EXPECT_GE(d.width(), titleBarWidth(d.windowTitle()));
    d.hide();
    EXPECT_EQ(d.edit()->value(), 4);
    d.edit()->setValue(9);
    d.accept();
    EXPECT_EQ(d.result(), QDialog::Rejected);  // still open
    ASSERT_EQ(prompt.ids(), std::vector<int>{7105});
    EXPECT_EQ(prompt.shown[0].args, (model::MessageArgs{std::int64_t{1}, std::int64_t{8}}));
    // The arrows stay in the range.
    d.edit()->setValue(8);
    d.edit()->stepUp();
    EXPECT_EQ(d.edit()->value(), 8);
    d.accept();
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(d.count(), 8);

    CardCountDialog last(cardCountRange(0, 16, "QV200   ", "", 0), prompt, Language::English);
    EXPECT_EQ(last.windowTitle(), QStringLiteral("Specify virtual card"));
    last.edit()->setValue(1);
    last.accept();
    EXPECT_EQ(prompt.ids().back(), 7104);
}

TEST_F(SmallDialogs, SelectVersionShowsTheUnitAndItsVersions)
{
    const model::CardKindMasters m = fixtureMasters();
    model::SystemConfigTables t;
    placeStation(t, 0x1A, 1, 1);
    placeCard(t, 0x1A, 12, 11, 1);  // KMQ 2.00
    SelectVersionDialog card(m, t, 0x1A, 12, Language::English);
    EXPECT_EQ(card.stationEdit()->text(), QStringLiteral("1a"));
    EXPECT_EQ(card.cardEdit()->text(), QStringLiteral("0b"));
    EXPECT_EQ(card.functionEdit()->text().trimmed(), QStringLiteral("KMQ"));
    ASSERT_EQ(card.list()->count(), 2);
    EXPECT_EQ(card.list()->currentRow(), 1);
    card.list()->setCurrentRow(0);
    card.accept();
    EXPECT_EQ(card.version(), "1.00");

    SelectVersionDialog station(m, t, 0x1A, 0, Language::English);
    EXPECT_TRUE(station.cardEdit()->text().isEmpty());
    EXPECT_TRUE(station.functionEdit()->text().isEmpty());
    EXPECT_EQ(station.list()->currentItem()->text(), QStringLiteral("1.10"));

    SelectVersionDialog none(m, t, -1, -1, Language::English);
    EXPECT_TRUE(none.stationEdit()->text().isEmpty());
    EXPECT_EQ(none.list()->count(), 0);
}

TEST_F(SmallDialogs, PrintScaleChecksTheMagnificationUnlessFitted)
{
    const struct {
        const char* text;
        bool fit;
        bool accepted;
        int scale;
    } cases[] = {
        {"55", false, true, 55}, {"10", false, true, 10},  {"100", false, true, 100}, {"9", false, false, 0},
        {"101", false, false, 0}, {"abc", false, false, 0}, {"", false, false, 0},    {"5a", false, false, 0},
        {"5", true, true, 100},  // fit ignores the edit
    };
    for (const auto& c : cases) {
        prompt.clearLog();
        PrintScaleDialog d(false, prompt, Language::English);
        d.edit()->setText(QString::fromLatin1(c.text));
        if (c.fit) d.fitBox()->click();
        EXPECT_EQ(d.edit()->isEnabled(), !c.fit);
        EXPECT_EQ(d.spin()->isEnabled(), !c.fit);
        d.accept();
        EXPECT_EQ(d.result() == QDialog::Accepted, c.accepted) << c.text;
        if (c.accepted) {
            EXPECT_EQ(d.scale(), c.scale) << c.text;
            EXPECT_EQ(d.fit(), c.fit);
            EXPECT_TRUE(prompt.ids().empty());
        } else {
            EXPECT_EQ(prompt.ids(), std::vector<int>{9701}) << c.text;
        }
    }
}

TEST_F(SmallDialogs, PrintScaleSpinSetsTheMagnification)
{
    PrintScaleDialog d(false, prompt, Language::Japanese);
    EXPECT_EQ(d.edit()->text(), QStringLiteral("100"));
    d.spin()->setValue(40);
    EXPECT_EQ(d.edit()->text(), QStringLiteral("40"));
    EXPECT_EQ(d.spin()->minimum(), 10);
    EXPECT_EQ(d.edit()->maxLength(), 3);
    d.accept();
    EXPECT_EQ(d.scale(), 40);
}

TEST_F(SmallDialogs, JumpLabelKeepsSevenBytesWithoutHalfACharacter)
{
    std::string label = "OLD";
    JumpLabelDialog d(label, Language::English);
    EXPECT_EQ(d.edit()->text(), QStringLiteral("OLD"));
    // Three double-byte characters and a letter: 7 bytes would split the fourth.
    d.edit()->setText(QStringLiteral("ABアイウ"));
    d.accept();
    EXPECT_EQ(model::cp932ToQString(label), QStringLiteral("ABアイ"));
    EXPECT_LE(label.size(), kJumpLabelBytes);
}

TEST_F(SmallDialogs, CommentNewAndEditedAndDeleted)
{
    CommentDialog fresh(0, "", QColor(1, 2, 3), Language::English);
    EXPECT_EQ(fresh.colour(), QColor(250, 244, 40));
    EXPECT_FALSE(fresh.deleteButton()->isEnabled());
    // Escape does not end the dialog wherever the focus is; Enter is a new line.
    fresh.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&fresh));
    fresh.edit()->setFocus();
    QTest::keyClick(fresh.edit(), Qt::Key_A);
    QTest::keyClick(fresh.edit(), Qt::Key_Return);
    QTest::keyClick(fresh.edit(), Qt::Key_B);
    QTest::keyClick(fresh.edit(), Qt::Key_Escape);
    EXPECT_TRUE(fresh.isVisible());
    fresh.deleteButton()->setEnabled(true);
    fresh.findChild<QPushButton*>(QStringLiteral("1129"))->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_TRUE(fresh.isVisible());
    EXPECT_EQ(fresh.edit()->toPlainText(), QStringLiteral("a\nb"));
    fresh.accept();
    EXPECT_EQ(fresh.text(), "a\r\nb");
    EXPECT_FALSE(fresh.deleted());

    CommentDialog existing(1, "note", QColor(10, 20, 30), Language::English);
    EXPECT_EQ(existing.edit()->toPlainText(), QStringLiteral("note"));
    EXPECT_EQ(existing.colour(), QColor(10, 20, 30));
    existing.deleteButton()->click();
    EXPECT_EQ(existing.result(), QDialog::Accepted);
    EXPECT_TRUE(existing.deleted());
}

TEST_F(SmallDialogs, CommentTextFitsTheLayerField)
{
    CommentDialog d(1, "", QColor(0, 0, 0), Language::English);
    d.edit()->setPlainText(QString(200, QChar(0x3042)));  // 400 bytes in CP932
    d.accept();
    EXPECT_EQ(d.text().size(), 254u);  // 255 would split a character
}

TEST_F(SmallDialogs, LineFormatGivesTheChosenIndexes)
{
    LineFormatDialog d(QColor(0, 0, 255), 1, 2, Language::English);
    EXPECT_EQ(d.typeBox()->currentText(), QStringLiteral("Dot"));
    EXPECT_EQ(d.thicknessBox()->currentText(), QStringLiteral("3"));
    d.thicknessBox()->setCurrentIndex(0);
    d.accept();
    EXPECT_EQ(d.lineType(), 1);
    EXPECT_EQ(d.thickness(), 0);
    EXPECT_EQ(d.colour(), QColor(0, 0, 255));
}

TEST(SmallDialogLogic, SelectGroupDefaultsToAFreeGroupOfTheRange)
{
    const auto codes = [](int g) {
        return g >= 11 && g <= 26 ? std::vector<std::string>{"31CDI", "32CDO"} : std::vector<std::string>{"00SYS"};
    };
    const auto used = [](int g) { return g == 11 || g == 12; };
    const GroupChoice c = buildGroupChoice("32CDO", codes, used);
    ASSERT_EQ(c.groups.size(), 16u);
    EXPECT_EQ(c.groups[static_cast<std::size_t>(c.selected)], "13");
    const GroupChoice full = buildGroupChoice("31CDI", codes, [](int) { return true; });
    EXPECT_EQ(full.groups[static_cast<std::size_t>(full.selected)], "26");
    EXPECT_TRUE(buildGroupChoice("99XXX", codes, used).groups.empty());
}

TEST(SmallDialogLogic, DeviceLayoutPreselectsTheFirstFreeSlot)
{
    const model::CardKindMasters m = fixtureMasters();
    // Station 0's card 0 is in use: card "1" (entry 2 after "Y-Bus" and "0").
    const DeviceLayoutChoice c =
        buildDeviceLayout(m.card, " kmq ", "2.0", [](int s, int card) { return s == 0 && card == 0; });
    EXPECT_EQ(c.stationLine, 0);
    EXPECT_EQ(c.cards[static_cast<std::size_t>(c.cardLine)], "1");
    EXPECT_EQ(c.cards.front(), "Y-Bus");
    EXPECT_EQ(c.stations.back(), "3F");
    ASSERT_EQ(c.versions.size(), 2u);
    EXPECT_EQ(c.versionLine, 1);
    int station = -1, card = -1;
    readDeviceLayout("3F", "A", &station, &card);
    EXPECT_EQ(station, 63);
    EXPECT_EQ(card, 11);
    readDeviceLayout("00", "Y-Bus", &station, &card);
    EXPECT_EQ(card, 0);  // the station unit itself
    readDeviceLayout("00", "0", &station, &card);
    EXPECT_EQ(card, 1);
}

}  // namespace
}  // namespace kravin::editors
