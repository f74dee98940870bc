// A face for the printed pages whose character map leads each glyph back to
// its ordinary character. A PDF's text layer maps every glyph to the lowest
// character the font's map gives it; CJK faces give the kanji glyphs to the
// radical characters too (U+2F00 shares the glyph of U+4E00), so copied or
// searched text would read radicals. The face made here is the installed
// face with those compatibility characters left out of its map.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <utility>
#include <vector>

namespace kravin::print {

// The family of the face made from family (once per process), or an empty
// string when it cannot be made; the installed face stays as it is.
QString textLayerFamily(const QString& family);

// The character map table with the characters that share a glyph with their
// ordinary character mapped to no glyph (in every Unicode subtable, each
// keeping its size); empty when cmap holds no Unicode subtable.
QByteArray repairedCharacterMap(const QByteArray& cmap);
// The (character, glyph) pairs of a character map table's Unicode subtable
// (the full-range one when there is one).
std::vector<std::pair<std::uint32_t, std::uint32_t>> characterMap(const QByteArray& cmap);

}  // namespace kravin::print
