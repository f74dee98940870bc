#include "theme.h"

#include "font_faces.h"

namespace kravin::shell {

QFont Theme::makeFont(int height)
{
    QFont font;
    font.setFamilies(res::fontFamilies());
    font.setPixelSize(height);
    font.setWeight(QFont::Normal);
    return font;
}

Theme::Theme()
{
    QFont* fonts[] = {&font16, &font14, &font10, &font7, &font10b, &font11, &font12, &font14b};
    for (std::size_t i = 0; i < kFontHeights.size(); ++i) *fonts[i] = makeFont(kFontHeights[i]);
}

}  // namespace kravin::shell
