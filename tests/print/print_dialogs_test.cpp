// The print scale dialog of the wiring views' print command.
#include "print_service.h"

#include "qt_app.h"
#include "scripted_prompt.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QSpinBox>

#include <gtest/gtest.h>

namespace kravin::print {
namespace {

TEST(PrintScaleDialog, MagnificationIsCheckedOnPrint)
{
    test::qtApp();
    const struct {
        const char* text;
        bool fit;
        bool accepted;
        int scale;
    } cases[] = {
        {"55", false, true, 55},   {"10", false, true, 10},  {"100", false, true, 100},
        {"9", false, false, 0},    {"101", false, false, 0}, {"abc", false, false, 0},
        {"", false, false, 0},     {"9", true, true, 100},   // fit ignores the edit
    };
    for (const auto& c : cases) {
        test::ScriptedPrompt prompt;
        PrintScaleDialog dialog(prompt, res::Language::English);
        dialog.scaleEdit()->setText(QString::fromLatin1(c.text));
        dialog.fitBox()->setChecked(c.fit);
        EXPECT_EQ(dialog.scaleEdit()->isEnabled(), !c.fit);
        EXPECT_EQ(dialog.spin()->isEnabled(), !c.fit);
        dialog.onPrint();
        EXPECT_EQ(dialog.result() == QDialog::Accepted, c.accepted) << c.text;
        if (c.accepted) {
            EXPECT_EQ(dialog.scale(), c.scale) << c.text;
            EXPECT_EQ(dialog.fit(), c.fit);
            EXPECT_TRUE(prompt.shown.empty());
        } else {
            ASSERT_EQ(prompt.shown.size(), 1u) << c.text;
            EXPECT_EQ(prompt.shown[0].id, 9701);
        }
    }
}

TEST(PrintScaleDialog, SpinSetsTheMagnification)
{
    test::qtApp();
    test::ScriptedPrompt prompt;
    PrintScaleDialog dialog(prompt, res::Language::Japanese);
    EXPECT_EQ(dialog.scaleEdit()->text(), QStringLiteral("100"));
    dialog.spin()->setValue(40);
    EXPECT_EQ(dialog.scaleEdit()->text(), QStringLiteral("40"));
    EXPECT_EQ(dialog.spin()->minimum(), 10);
    EXPECT_EQ(dialog.scaleEdit()->maxLength(), 3);
    dialog.onPrint();
    EXPECT_EQ(dialog.scale(), 40);
}

}  // namespace
}  // namespace kravin::print
