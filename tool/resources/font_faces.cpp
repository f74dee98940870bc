#include "font_faces.h"

namespace kravin::res {

QString latinFontFamily() { return QStringLiteral("DejaVu Sans"); }

QString japaneseFontFamily() { return QStringLiteral("Noto Sans CJK JP"); }

QString monospaceFontFamily() { return QStringLiteral("DejaVu Sans Mono"); }

QStringList fontFamilies() { return {latinFontFamily(), japaneseFontFamily()}; }

}  // namespace kravin::res
