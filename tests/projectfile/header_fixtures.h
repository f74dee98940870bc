// Byte helpers and old-layout header images shared by the project file tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace kravin::test::header {

inline std::string field(const std::vector<unsigned char>& b, std::size_t at, std::size_t width)
{
    return std::string(reinterpret_cast<const char*>(b.data()) + at, width);
}

inline std::string padded(const std::string& s, std::size_t width)
{
    std::string r = s;
    r.resize(width, '\0');
    return r;
}

inline int32_t int32At(const std::vector<unsigned char>& b, std::size_t at)
{
    int32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

inline int16_t int16At(const std::vector<unsigned char>& b, std::size_t at)
{
    int16_t v;
    std::memcpy(&v, b.data() + at, 2);
    return v;
}

inline void putInt32(std::vector<unsigned char>& b, std::size_t at, int32_t v) { std::memcpy(b.data() + at, &v, 4); }

inline void putText(std::vector<unsigned char>& b, std::size_t at, const std::string& s)
{
    std::memcpy(b.data() + at, s.data(), s.size());
}

inline std::size_t recordAt(int station, int card) { return 1024 + 136 * std::size_t(17 * station + card + 1); }

// A 144640-byte header of the layouts that use 132-byte records. Head texts at the
// given offsets; each listed unit gets a recognisable record.
struct OldUnit {
    int station, card;
    std::string kind, unit, version, comment;
    int32_t x, y;
};

inline std::vector<unsigned char> oldHeader(const std::string& versionText, std::size_t nameAt, std::size_t text2At,
                                            std::size_t commentAt, const std::vector<OldUnit>& units)
{
    std::vector<unsigned char> b(144640, 0);
    putText(b, 0, versionText);
    putText(b, nameAt, "OLDNAME");
    putText(b, text2At, "OLDTEXT2");
    putText(b, commentAt, "OLD COMMENT");
    for (const auto& u : units) {
        const std::size_t r = 1024 + 132 * std::size_t(17 * u.station + u.card + 1);
        putText(b, r, u.kind);
        putText(b, r + 5, u.unit);
        putText(b, r + 10, u.version);
        putText(b, r + 14, u.comment);
        b[r + 46] = 0xAA;  // the two unused bytes are dropped
        putInt32(b, r + 48, u.x);
        putInt32(b, r + 52, u.y);
    }
    return b;
}

}  // namespace kravin::test::header
