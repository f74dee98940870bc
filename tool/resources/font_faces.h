// The faces the tool draws and prints with, named explicitly: those the suite installs
// (fonts-dejavu-core and fonts-noto-cjk), so that every machine shows and measures the
// same whatever else it has installed.
#pragma once

#include <QString>
#include <QStringList>

namespace kravin::res {

// Latin letters and digits.
QString latinFontFamily();
// Japanese texts.
QString japaneseFontFamily();
// Fixed-pitch texts (the HT-9 display).
QString monospaceFontFamily();
// The families a font asks for, in order: Latin letters from the Latin face and every
// other character from the Japanese face.
QStringList fontFamilies();

}  // namespace kravin::res
