// The faces the tool draws with are the installed ones, asked for by name: a face that
// is missing or resolves to another font shows here.
#include "font_faces.h"
#include "qt_app.h"
#include "theme.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QTextLayout>

namespace {

using namespace kravin;

// The family of the font that draws the first glyph of the text.
QString drawingFamily(const QFont& font, const QString& text)
{
    QTextLayout layout(text, font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    const auto runs = layout.glyphRuns();
    return runs.isEmpty() ? QString() : runs.front().rawFont().familyName();
}

TEST(FontFaces, EachNamedFaceIsTheFontThatDraws)
{
    kravin::test::qtApp();
    for (const QString& family : {res::latinFontFamily(), res::japaneseFontFamily(), res::monospaceFontFamily()}) {
        QFont font(family);
        font.setPixelSize(16);
        EXPECT_EQ(QFontInfo(font).family(), family);
        EXPECT_EQ(drawingFamily(font, QStringLiteral("G57")), family);
    }
}

TEST(FontFaces, ThemeFontsTakeLatinAndJapaneseFromTheirFaces)
{
    kravin::test::qtApp();
    const shell::Theme theme;
    const QFont* fonts[] = {&theme.font16, &theme.font14, &theme.font10, &theme.font7,
                            &theme.font10b, &theme.font11, &theme.font12, &theme.font14b};
    for (std::size_t i = 0; i < shell::Theme::kFontHeights.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(fonts[i]->families(), res::fontFamilies());
        EXPECT_EQ(fonts[i]->pixelSize(), shell::Theme::kFontHeights[i]);
        EXPECT_EQ(drawingFamily(*fonts[i], QStringLiteral("ST01")), res::latinFontFamily());
        EXPECT_EQ(drawingFamily(*fonts[i], QStringLiteral("\u30e6\u30cb\u30c3\u30c8")), res::japaneseFontFamily());
    }
}

}  // namespace
