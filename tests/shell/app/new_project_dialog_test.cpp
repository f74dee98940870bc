#include "new_project_dialog.h"
#include "qt_prompt.h"
#include "scripted_prompt.h"
#include "shared_dialogs.h"
#include "shell_fixture.h"
#include "text_codec.h"
#include "theme.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace kravin::shell {
namespace {

class NewProjectDialogTest : public ::testing::Test {
protected:
    void SetUp() override { test::qtApp(); }
    test::ScriptedPrompt prompt;
    model::ProjectDialogData data;
};

TEST_F(NewProjectDialogTest, EmptyNameOrLocationKeepsTheDialogOpen)
{
    struct Row {
        const char* name;
        const char* location;
    };
    for (const Row& r : {Row{"", "/tmp/a.KRA"}, Row{"Plant", ""}, Row{"", ""}}) {
        prompt.clearLog();
        model::ProjectDialogData d;
        d.name = "old";
        NewProjectDialog dialog(d, prompt, res::Language::English);
        dialog.show();
        dialog.nameEdit()->setText(QString::fromUtf8(r.name));
        dialog.locationEdit()->setText(QString::fromUtf8(r.location));
        dialog.accept();
        EXPECT_EQ(prompt.ids(), std::vector<int>{7014});
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_NE(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(d.name, "old");  // nothing taken
    }
}

TEST_F(NewProjectDialogTest, OkReturnsCp932NameAndCommentAndTheLocation)
{
    data.name = model::utf8ToCp932("旧名");
    NewProjectDialog dialog(data, prompt, res::Language::English);
    EXPECT_EQ(dialog.nameEdit()->text(), QString::fromUtf8("旧名"));
    EXPECT_EQ(dialog.windowTitle(), "Create a New Project File");
    EXPECT_TRUE(dialog.locationEdit()->isEnabled());
    dialog.nameEdit()->setText(QString::fromUtf8("ポンプ制御"));
    dialog.commentEdit()->setText(QStringLiteral("line 2"));
    dialog.locationEdit()->setText(QStringLiteral("/data/pump.KRA"));
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(data.name, model::utf8ToCp932("ポンプ制御"));
    EXPECT_EQ(data.comment, "line 2");
    EXPECT_EQ(data.location, "/data/pump.KRA");
    EXPECT_TRUE(prompt.ids().empty());
}

TEST_F(NewProjectDialogTest, PropertiesModeLocksTheLocation)
{
    data.propertiesMode = true;
    data.location = "/data/pump.KRA";
    NewProjectDialog dialog(data, prompt, res::Language::English);
    EXPECT_EQ(dialog.windowTitle(), "Project file properties");
    EXPECT_FALSE(dialog.locationEdit()->isEnabled());
    EXPECT_FALSE(dialog.browseButton()->isEnabled());
    dialog.nameEdit()->clear();
    dialog.accept();
    EXPECT_EQ(prompt.ids(), std::vector<int>{7014});
}

TEST_F(NewProjectDialogTest, BrowseSetsLocationAndFileTitleEvenWhenCancelled)
{
    NewProjectDialog dialog(data, prompt, res::Language::English);
    prompt.file(std::string("/work/plans/line3.KRA"));
    dialog.browse();
    ASSERT_EQ(prompt.fileChoices.size(), 1u);
    EXPECT_EQ(prompt.fileChoices[0].defaultName, "Untitled.KRA");
    EXPECT_EQ(prompt.fileChoices[0].defaultExtension, "KRA");
    EXPECT_TRUE(prompt.fileChoices[0].overwritePrompt);
    EXPECT_EQ(dialog.locationEdit()->text(), "/work/plans/line3.KRA");
    dialog.reject();
    EXPECT_EQ(data.fileTitle, "line3.KRA");
    EXPECT_TRUE(data.location.empty());

    prompt.file(std::nullopt);  // cancelled file dialog changes nothing
    dialog.browse();
    EXPECT_EQ(dialog.locationEdit()->text(), "/work/plans/line3.KRA");
}

TEST(QtPrompt, NameFiltersFromTheFilterText)
{
    EXPECT_EQ(QtPrompt::nameFilters("KRAV File (*.KRA)|*.KRA||"), "KRAV File (*.KRA)");
    EXPECT_EQ(QtPrompt::nameFilters("Text|*.txt|All (*.*)|*.*||"), "Text (*.txt);;All (*.*)");
    EXPECT_EQ(QtPrompt::nameFilters(""), "");
}

TEST(QtPrompt, MessageBoxAnswersByButton)
{
    test::qtApp();
    QtPrompt prompt(res::Language::English);
    struct Row {
        model::Buttons buttons;
        QMessageBox::StandardButton press;
        model::Answer answer;
    };
    const Row rows[] = {{model::Buttons::YesNoCancel, QMessageBox::Yes, model::Answer::Yes},
                        {model::Buttons::YesNoCancel, QMessageBox::No, model::Answer::No},
                        {model::Buttons::YesNoCancel, QMessageBox::Cancel, model::Answer::Cancel},
                        {model::Buttons::OkCancel, QMessageBox::Ok, model::Answer::Ok},
                        {model::Buttons::Ok, QMessageBox::Ok, model::Answer::Ok}};
    for (const Row& r : rows) {
        QString shownText, shownTitle;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            shownText = box->text();
            shownTitle = box->windowTitle();
            box->button(r.press)->click();
        });
        EXPECT_EQ(prompt.message(7001, {}, r.buttons, model::Icon::Question), r.answer);
        EXPECT_EQ(shownText, "Do you want to save changes of the current project?");
        EXPECT_EQ(shownTitle, "KRAVin3");
    }
}

TEST(QtPrompt, AShortMessageStillShowsItsTitleWhole)
{
    test::qtApp();
    for (const res::Language l : {res::Language::English, res::Language::Japanese}) {
        QtPrompt prompt(l);
        int width = 0, needed = 0;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            width = box->width();
            needed = editors::titleBarWidth(box->windowTitle());
            box->button(QMessageBox::Ok)->click();
        });
        prompt.message(7003, {}, model::Buttons::Ok, model::Icon::Information);
        EXPECT_GT(needed, 0);
        EXPECT_GE(width, needed);
    }
}

TEST(Theme, DrawingSetValues)
{
    test::qtApp();
    const Theme theme;
    EXPECT_EQ(theme.font16.pixelSize(), 16);
    EXPECT_EQ(theme.font7.pixelSize(), 7);
    EXPECT_EQ(theme.font14b.pixelSize(), 14);
    EXPECT_EQ(theme.penSelect.width(), 3);
    EXPECT_EQ(theme.penSelect.color(), QColor(0, 255, 0));
    EXPECT_EQ(theme.penLadderMagenta.width(), 3);
    EXPECT_EQ(theme.penLadderYellow.width(), 2);
    EXPECT_EQ(theme.penLadderYellow.color(), QColor(255, 255, 0));
    EXPECT_EQ(theme.brushOlive.color(), QColor(192, 192, 0));
    EXPECT_EQ(theme.gray127, QColor(127, 127, 127));
    EXPECT_EQ(theme.brushOlive.style(), Qt::SolidPattern);
    EXPECT_STREQ(Theme::kRnh6TypeCodes.front(), "A1");
    EXPECT_STREQ(Theme::kRnh6TypeCodes[9], "H2");
    EXPECT_STREQ(Theme::kRnh6TypeCodes.back(), "U1");
}

}  // namespace
}  // namespace kravin::shell
