#include "text_layer_face.h"

#include <QChar>
#include <QFont>
#include <QFontDatabase>
#include <QHash>
#include <QRawFont>

#include <algorithm>
#include <cstdint>
#include <map>
#include <vector>

namespace kravin::print {

namespace {

std::uint32_t u16(const QByteArray& b, qsizetype at)
{
    if (at < 0 || at + 2 > b.size()) return 0;
    return (std::uint32_t(std::uint8_t(b[at])) << 8) | std::uint8_t(b[at + 1]);
}

std::uint32_t u32(const QByteArray& b, qsizetype at) { return (u16(b, at) << 16) | u16(b, at + 2); }

void put16(QByteArray& b, std::uint32_t v)
{
    b.append(char((v >> 8) & 0xFF));
    b.append(char(v & 0xFF));
}

void put32(QByteArray& b, std::uint32_t v)
{
    put16(b, v >> 16);
    put16(b, v & 0xFFFF);
}

using CharMap = std::map<std::uint32_t, std::uint32_t>;  // character -> glyph

CharMap readFormat12(const QByteArray& cmap, qsizetype at)
{
    CharMap map;
    const std::uint32_t groups = u32(cmap, at + 12);
    if (at + 16 + qsizetype(groups) * 12 > cmap.size()) return map;
    for (std::uint32_t i = 0; i < groups; ++i) {
        const qsizetype g = at + 16 + qsizetype(i) * 12;
        const std::uint32_t first = u32(cmap, g), last = std::min<std::uint32_t>(u32(cmap, g + 4), 0x10FFFF),
                            glyph = u32(cmap, g + 8);
        for (std::uint32_t c = first; c <= last && c >= first; ++c)
            if (glyph + (c - first) != 0) map[c] = glyph + (c - first);
    }
    return map;
}

CharMap readFormat4(const QByteArray& cmap, qsizetype at)
{
    CharMap map;
    const std::uint32_t segments = u16(cmap, at + 6) / 2;
    const qsizetype ends = at + 14, starts = ends + 2 * segments + 2, deltas = starts + 2 * segments,
                    offsets = deltas + 2 * segments;
    if (offsets + 2 * qsizetype(segments) > cmap.size()) return map;
    for (std::uint32_t i = 0; i < segments; ++i) {
        const std::uint32_t end = u16(cmap, ends + 2 * i), start = u16(cmap, starts + 2 * i),
                            delta = u16(cmap, deltas + 2 * i), offset = u16(cmap, offsets + 2 * i);
        for (std::uint32_t c = start; c <= end && c != 0xFFFF; ++c) {
            std::uint32_t glyph = 0;
            if (offset == 0) {
                glyph = (c + delta) & 0xFFFF;
            } else {
                const qsizetype slot = offsets + 2 * qsizetype(i) + offset + 2 * qsizetype(c - start);
                glyph = u16(cmap, slot);
                if (glyph != 0) glyph = (glyph + delta) & 0xFFFF;
            }
            if (glyph != 0) map[c] = glyph;
        }
    }
    return map;
}

// Offsets of the cmap table's Unicode subtables that lie inside it.
std::vector<qsizetype> unicodeSubtables(const QByteArray& cmap)
{
    std::vector<qsizetype> offsets;
    const std::uint32_t count = u16(cmap, 2);
    for (std::uint32_t i = 0; i < count; ++i) {
        const qsizetype record = 4 + qsizetype(i) * 8;
        const std::uint32_t platform = u16(cmap, record), encoding = u16(cmap, record + 2);
        const qsizetype at = u32(cmap, record + 4);
        const bool unicode = platform == 0 || (platform == 3 && (encoding == 1 || encoding == 10));
        if (unicode && at > 0 && at < cmap.size()) offsets.push_back(at);
    }
    return offsets;
}

// The Unicode map of a cmap table: the full-range subtable when there is
// one, else the basic-plane one.
CharMap readCharacterMap(const QByteArray& cmap)
{
    qsizetype full = -1, basic = -1;
    for (const qsizetype at : unicodeSubtables(cmap)) {
        const std::uint32_t format = u16(cmap, at);
        if (format == 12 && full < 0) full = at;
        if (format == 4 && basic < 0) basic = at;
    }
    if (full >= 0) return readFormat12(cmap, full);
    if (basic >= 0) return readFormat4(cmap, basic);
    return {};
}

// The characters of the CJK radical blocks, which fonts draw with the glyphs
// of the ideographs they stand for.
bool radical(std::uint32_t c) { return c >= 0x2E80 && c <= 0x2FDF; }

QByteArray nameTable(const QString& family)
{
    QString postscript = family;
    postscript.remove(QLatin1Char(' '));
    const QString texts[] = {family, QStringLiteral("Regular"), postscript + QStringLiteral("-Regular"), family,
                             postscript + QStringLiteral("-Regular")};
    const std::uint32_t ids[] = {1, 2, 3, 4, 6};
    QByteArray strings;
    QByteArray table;
    put16(table, 0);
    put16(table, 5);
    put16(table, 6 + 5 * 12);
    for (int i = 0; i < 5; ++i) {
        QByteArray utf16;
        for (QChar ch : texts[i]) put16(utf16, ch.unicode());
        put16(table, 3);       // Windows
        put16(table, 1);       // Unicode BMP
        put16(table, 0x409);   // English
        put16(table, ids[i]);
        put16(table, std::uint32_t(utf16.size()));
        put16(table, std::uint32_t(strings.size()));
        strings += utf16;
    }
    return table + strings;
}

std::uint32_t checksum(const QByteArray& table)
{
    std::uint32_t sum = 0;
    QByteArray padded = table;
    while (padded.size() % 4) padded.append('\0');
    for (qsizetype i = 0; i < padded.size(); i += 4) sum += u32(padded, i);
    return sum;
}

// An sfnt file of the tables, in tag order.
QByteArray sfnt(std::uint32_t version, const std::map<QByteArray, QByteArray>& tables)
{
    const std::uint32_t n = std::uint32_t(tables.size());
    std::uint32_t power = 1, log = 0;
    while (power * 2 <= n) {
        power *= 2;
        ++log;
    }
    QByteArray out;
    put32(out, version);
    put16(out, n);
    put16(out, power * 16);
    put16(out, log);
    put16(out, n * 16 - power * 16);
    std::uint32_t offset = 12 + 16 * n;
    for (const auto& [tag, data] : tables) {
        out += tag;
        put32(out, checksum(data));
        put32(out, offset);
        put32(out, std::uint32_t(data.size()));
        offset += std::uint32_t((data.size() + 3) / 4 * 4);
    }
    for (const auto& [tag, data] : tables) {
        out += data;
        while (out.size() % 4) out.append('\0');
    }
    return out;
}

QString makeFace(const QString& family)
{
    const QRawFont raw = QRawFont::fromFont(QFont(family));
    if (!raw.isValid() || raw.familyName() != family) return {};
    const QByteArray cmap = repairedCharacterMap(raw.fontTable("cmap"));
    if (cmap.isEmpty()) return {};
    const QString derived = QStringLiteral("KRAVin Print ") + family;
    std::map<QByteArray, QByteArray> tables;
    for (const char* tag : {"BASE", "CFF ", "CFF2", "GDEF", "GPOS", "GSUB", "OS/2", "VORG", "cvt ", "fpgm", "gasp",
                            "glyf", "head", "hhea", "hmtx", "loca", "maxp", "post", "prep", "vhea", "vmtx"}) {
        const QByteArray data = raw.fontTable(tag);
        if (!data.isEmpty()) tables[QByteArray(tag)] = data;
    }
    if (!tables.count("head") || !tables.count("maxp") || !tables.count("hhea") || !tables.count("hmtx")) return {};
    tables["head"].replace(8, 4, QByteArray(4, '\0'));  // checkSumAdjustment: not kept
    tables["cmap"] = cmap;
    tables["name"] = nameTable(derived);
    const std::uint32_t version = tables.count("CFF ") || tables.count("CFF2") ? 0x4F54544F : 0x00010000;
    const int id = QFontDatabase::addApplicationFontFromData(sfnt(version, tables));
    if (id < 0) return {};
    return QFontDatabase::applicationFontFamilies(id).contains(derived) ? derived : QString();
}

}  // namespace

QByteArray repairedCharacterMap(const QByteArray& cmap)
{
    const CharMap map = readCharacterMap(cmap);
    if (map.empty()) return {};
    std::map<std::uint32_t, std::vector<std::uint32_t>> byGlyph;
    for (const auto& [c, g] : map) byGlyph[g].push_back(c);
    std::vector<std::uint32_t> dropped;
    for (const auto& [g, chars] : byGlyph) {
        if (chars.size() < 2) continue;
        for (std::uint32_t c : chars) {
            // A radical sharing its glyph with an ideograph, or a character
            // whose decomposition is one higher character of the same glyph.
            const bool sharedRadical = radical(c) && std::any_of(chars.begin(), chars.end(), [](std::uint32_t o) {
                                           return !radical(o);
                                       });
            const QString d = QChar::decomposition(c);
            const std::uint32_t to = d.size() == 1 ? d[0].unicode()
                                     : d.size() == 2 && d[0].isHighSurrogate()
                                         ? QChar::surrogateToUcs4(d[0], d[1])
                                         : 0;
            const bool compatibility = to > c && std::find(chars.begin(), chars.end(), to) != chars.end();
            if (sharedRadical || compatibility) dropped.push_back(c);
        }
    }
    std::sort(dropped.begin(), dropped.end());
    // Every Unicode subtable is mended in place (its size stays): a dropped
    // character of its own entry maps to glyph 0.
    QByteArray out = cmap;
    const auto set16 = [&out](qsizetype at, std::uint32_t v) {
        out[at] = char((v >> 8) & 0xFF);
        out[at + 1] = char(v & 0xFF);
    };
    const auto set32 = [&](qsizetype at, std::uint32_t v) {
        set16(at, v >> 16);
        set16(at + 2, v & 0xFFFF);
    };
    for (const qsizetype at : unicodeSubtables(cmap)) {
        const std::uint32_t format = u16(cmap, at);
        if (format == 12) {
            const std::uint32_t groups = u32(cmap, at + 12);
            if (at + 16 + qsizetype(groups) * 12 > cmap.size()) continue;
            for (std::uint32_t k = 0; k < groups; ++k) {
                const qsizetype g = at + 16 + qsizetype(k) * 12;
                const std::uint32_t first = u32(cmap, g), last = u32(cmap, g + 4);
                if (first == last && std::binary_search(dropped.begin(), dropped.end(), first)) set32(g + 8, 0);
            }
        } else if (format == 4) {
            const std::uint32_t segments = u16(cmap, at + 6) / 2;
            const qsizetype ends = at + 14, starts = ends + 2 * segments + 2, deltas = starts + 2 * segments,
                            offsets = deltas + 2 * segments;
            if (offsets + 2 * qsizetype(segments) > cmap.size()) continue;
            for (std::uint32_t k = 0; k < segments; ++k) {
                const std::uint32_t end = u16(cmap, ends + 2 * k), start = u16(cmap, starts + 2 * k),
                                    offset = u16(cmap, offsets + 2 * k);
                for (std::uint32_t c = start; c <= end && c != 0xFFFF; ++c) {
                    if (!std::binary_search(dropped.begin(), dropped.end(), c)) continue;
                    if (offset != 0) {
                        const qsizetype slot = offsets + 2 * qsizetype(k) + offset + 2 * qsizetype(c - start);
                        if (slot + 2 <= out.size()) set16(slot, 0);
                    } else if (start == end) {
                        set16(deltas + 2 * k, (0x10000 - c) & 0xFFFF);
                    }
                }
            }
        }
    }
    return out;
}

std::vector<std::pair<std::uint32_t, std::uint32_t>> characterMap(const QByteArray& cmap)
{
    const CharMap map = readCharacterMap(cmap);
    return {map.begin(), map.end()};
}

QString textLayerFamily(const QString& family)
{
    static QHash<QString, QString> made;
    const auto it = made.constFind(family);
    if (it != made.constEnd()) return it.value();
    const QString face = makeFace(family);
    made.insert(family, face);
    return face;
}

}  // namespace kravin::print
