#include "dialogs/busy_dialog.h"
#include "dialogs/shared_dialogs.h"
#include "qt_app.h"
#include "scripted_prompt.h"
#include "system_fixture.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

namespace kravin::editors {
namespace {

using res::Language;
using test::fixtureMasters;
using test::kindName;
using test::placeCard;

class SharedDialogs : public ::testing::Test {
protected:
    void SetUp() override { test::qtApp(); }
    test::ScriptedPrompt prompt;
    DialogExchange ex;
};

TEST_F(SharedDialogs, ModelSelectionListsAndFollowsTheModelLine)
{
    const model::CardKindMasters masters = fixtureMasters();
    model::SystemConfigTables tables;
    placeCard(tables, 2, 5, 11, 1);  // KMQ 2.00, after the hidden TQRQ$ and TQRC$
    ModelSelectDialog d(masters, tables, 2, 5, Language::English);
    EXPECT_EQ(d.dialogId(), 138);
    EXPECT_EQ(d.modelList()->count(), 11);
    EXPECT_EQ(d.modelList()->currentItem()->text(), QString::fromLatin1(kindName("KMQ").c_str()));
    EXPECT_EQ(d.versionList()->currentRow(), 1);
    d.accept();
    EXPECT_EQ(d.model(), kindName("KMQ"));
    EXPECT_EQ(d.version(), "2.00");

    // Picking another model lists its versions and selects the first.
    ModelSelectDialog other(masters, tables, 2, 5, Language::English);
    other.modelList()->setCurrentRow(0);  // QV200W
    EXPECT_EQ(other.versionList()->count(), 1);
    EXPECT_EQ(other.versionList()->currentRow(), 0);
    other.accept();
    EXPECT_EQ(other.model(), kindName("QV200W"));
    EXPECT_EQ(other.version(), "1.00");
}

TEST_F(SharedDialogs, ModelVersionDialogRecordsTheTargetAndListsNothing)
{
    ModelSelectDialog d(9, 3, ex, Language::Japanese);
    EXPECT_EQ(d.dialogId(), 178);
    EXPECT_EQ(ex.targetStation, 9);
    EXPECT_EQ(ex.targetCard, 4);
    EXPECT_EQ(d.modelList()->count(), 0);
    d.accept();
    EXPECT_EQ(d.model(), "");
    EXPECT_EQ(d.result(), QDialog::Accepted);
}

TEST_F(SharedDialogs, ListSelections)
{
    ListSelectDialog types(ListSelectDialog::Kind::CardType, {}, 5, Language::English);
    EXPECT_EQ(types.dialogId(), 148);
    ASSERT_EQ(types.list()->count(), 17);
    EXPECT_EQ(types.list()->item(16)->text(), "U1");
    EXPECT_EQ(types.list()->currentRow(), 0);
    types.list()->setCurrentRow(2);
    types.accept();
    EXPECT_EQ(types.line(), "C1");

    ListSelectDialog names(ListSelectDialog::Kind::CardName,
                           ListSelectDialog::cardNames({"NAME0001", "NAME0002", "NAME0003"}, 14), 0,
                           Language::English);
    EXPECT_EQ(names.list()->count(), 2);
    EXPECT_EQ(names.index(), -1);
    names.accept();
    EXPECT_EQ(names.index(), 0);

    ListSelectDialog functions(ListSelectDialog::Kind::Function, {"PID(01)  PID", "ADD(03)  Adder"}, 1,
                               Language::English);
    EXPECT_EQ(functions.list()->currentRow(), 1);
    ListSelectDialog bad(ListSelectDialog::Kind::Function, {"PID(01)  PID"}, 7, Language::English);
    EXPECT_EQ(bad.list()->currentRow(), 0);
    ListSelectDialog empty(ListSelectDialog::Kind::Function, {}, 0, Language::English);
    empty.accept();
    EXPECT_EQ(empty.index(), -1);
    EXPECT_EQ(empty.line(), "");
}

TEST_F(SharedDialogs, EnterParameterShowsKindAndChecksJumpDestinations)
{
    ex.paramValue = 12345;
    ex.paramKind = 7;
    ParamInputDialog d(ex, prompt, Language::English);
    EXPECT_EQ(d.edit()->text(), "2345");
    EXPECT_EQ(d.label()->text(), "Input jump destination");
    EXPECT_FALSE(d.browseButton()->isEnabled());
    d.edit()->setText("8120");
    d.accept();
    EXPECT_NE(d.result(), QDialog::Accepted);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].id, 8116);
    d.edit()->setText("8105");
    d.accept();
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(d.text(), "8105");
}

TEST_F(SharedDialogs, LargeValuesAreNotSelectedOnFocus)
{
    struct Case {
        int paramValue;
        bool selected;
    };
    for (const Case c : {Case{12345, false}, Case{512, true}}) {
        ex.paramValue = c.paramValue;
        ex.paramKind = 0;
        ParamInputDialog d(ex, prompt, Language::English);
        d.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
        d.browseButton()->setFocus();
        d.edit()->setFocus(Qt::TabFocusReason);  // tabbing in selects the whole text
        QCoreApplication::processEvents();
        EXPECT_EQ(d.edit()->hasSelectedText(), c.selected) << c.paramValue;
    }
}

TEST_F(SharedDialogs, ReturnAfterBrowseConfirmsTheEnterParameterDialog)
{
    ex.paramValue = 512;
    ex.paramKind = 0;
    int browsed = 0;
    ParamInputDialog d(ex, prompt, Language::English, [&](int& group, int& item) {
        ++browsed;
        group = 12;
        item = 3;
        return true;
    });
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    QTest::mouseClick(d.browseButton(), Qt::LeftButton);
    ASSERT_EQ(browsed, 1);
    // The focus stays where the click left it; Return is OK, not a second Browse.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(browsed, 1);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(d.text(), "1203");
}

TEST_F(SharedDialogs, EnterParameterRefusesSignsAndBrowsesContacts)
{
    ex.paramValue = 512;
    ex.paramKind = 0;
    int seenGroup = -1, seenItem = -1;
    ParamInputDialog d(ex, prompt, Language::English, [&](int& group, int& item) {
        seenGroup = group;
        seenItem = item;
        group = 12;
        item = 3;
        return true;
    });
    EXPECT_EQ(d.edit()->text(), "0512");
    EXPECT_EQ(d.label()->text(), "N.O. Contact input");
    d.browseButton()->click();
    EXPECT_EQ(seenGroup, 5);
    EXPECT_EQ(seenItem, 12);
    EXPECT_EQ(d.edit()->text(), "1203");
    d.edit()->setText("-12");
    d.accept();
    EXPECT_NE(d.result(), QDialog::Accepted);
    EXPECT_EQ(prompt.shown.at(0).id, 9402);
    d.edit()->setText("9999");
    d.accept();
    EXPECT_EQ(d.result(), QDialog::Accepted);
}

TEST_F(SharedDialogs, IdInputStepNumberTimerAndComment)
{
    IdInputDialog id(ex, prompt, Language::English);
    // The field takes four characters, typed or pasted.
    QTest::keyClicks(id.edit(), "AB123");
    EXPECT_EQ(id.edit()->text(), "AB12");
    id.edit()->clear();
    id.edit()->insert("XY3456");
    EXPECT_EQ(id.edit()->text(), "XY34");
    id.edit()->setText("123");
    id.accept();
    EXPECT_NE(id.result(), QDialog::Accepted);
    EXPECT_EQ(prompt.shown.at(0).id, 9400);
    id.edit()->setText("AB12");
    id.accept();
    EXPECT_EQ(id.result(), QDialog::Accepted);
    EXPECT_STREQ(ex.unitIdBuffer.data(), "AB12");

    ex.stepNoValue = 107;
    StepNoInputDialog step(ex, prompt, Language::English);
    EXPECT_EQ(step.edit()->text(), "7");
    step.edit()->setText("20");
    step.accept();
    EXPECT_NE(step.result(), QDialog::Accepted);
    EXPECT_EQ(prompt.shown.at(1).id, 8226);
    step.edit()->setText("07");
    step.accept();
    EXPECT_EQ(step.text(), "07");

    StepTimerDialog timer(141025, Language::English);
    EXPECT_EQ(timer.secondsBox()->value(), 25);
    EXPECT_EQ(timer.secondsBox()->maximum(), 999);
    EXPECT_TRUE(timer.findChild<QRadioButton*>("1006")->isChecked());
    timer.secondsBox()->setValue(1200);  // limited to the range
    timer.findChild<QRadioButton*>("1005")->setChecked(true);
    timer.accept();
    EXPECT_EQ(timer.seconds(), 999);
    EXPECT_EQ(timer.timerKind(), 0);

    EnterCommentDialog comment("old comment", Language::English);
    EXPECT_EQ(comment.edit()->text(), "old comment");
    comment.edit()->setText(QString(30, QChar('x')));
    comment.accept();
    EXPECT_EQ(comment.comment().size(), 20u);
    EXPECT_EQ(prompt.shown.size(), 2u);
}

TEST_F(SharedDialogs, BusyBoxKeyHelpAndSwatch)
{
    BusyDialog busy(nullptr, Language::English);
    for (int i = 0; i < 33; ++i) busy.step();
    EXPECT_EQ(busy.value(), 33);
    busy.step();
    EXPECT_EQ(busy.value(), 33);

    LadderKeyHelpDialog help(Language::Japanese);
    EXPECT_FALSE(help.isModal());
    EXPECT_GE(help.findChildren<QLabel*>().size(), 40);

    ColorSwatch swatch;
    swatch.resize(20, 10);
    EXPECT_EQ(swatch.colour(), QColor(255, 255, 255));
    swatch.setColour(QColor(10, 20, 30));
    const QImage img = swatch.grab().toImage();
    EXPECT_EQ(img.pixelColor(0, 0), QColor(10, 20, 30));
    EXPECT_EQ(img.pixelColor(19, 9), QColor(10, 20, 30));
}

}  // namespace
}  // namespace kravin::editors
