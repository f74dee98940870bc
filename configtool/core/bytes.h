// Byte arrays and big-endian field access of the configuration and trend images.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qvcfg {

using Bytes = std::vector<std::uint8_t>;

// Reads return 0 for a field that lies beyond the end of the array.
inline std::uint16_t GetU16(const Bytes& b, std::size_t off)
{
    if (off + 2 > b.size()) return 0;
    return static_cast<std::uint16_t>((b[off] << 8) | b[off + 1]);
}

inline std::int16_t GetS16(const Bytes& b, std::size_t off)
{
    return static_cast<std::int16_t>(GetU16(b, off));
}

inline std::uint32_t GetU32(const Bytes& b, std::size_t off)
{
    if (off + 4 > b.size()) return 0;
    return (std::uint32_t{b[off]} << 24) | (std::uint32_t{b[off + 1]} << 16) |
           (std::uint32_t{b[off + 2]} << 8) | b[off + 3];
}

inline std::uint8_t GetU8(const Bytes& b, std::size_t off) { return off < b.size() ? b[off] : 0; }

inline void PutU16(Bytes& b, std::size_t off, std::uint16_t v)
{
    if (off + 2 > b.size()) return;
    b[off] = static_cast<std::uint8_t>(v >> 8);
    b[off + 1] = static_cast<std::uint8_t>(v);
}

inline void PutU32(Bytes& b, std::size_t off, std::uint32_t v)
{
    PutU16(b, off, static_cast<std::uint16_t>(v >> 16));
    PutU16(b, off + 2, static_cast<std::uint16_t>(v));
}

// The text of a fixed-width field: it ends at its first zero byte or at the field's end.
inline std::string FieldText(const Bytes& b, std::size_t off, std::size_t width)
{
    std::string s;
    for (std::size_t i = 0; i < width && off + i < b.size(); ++i) {
        if (b[off + i] == 0) break;
        s.push_back(static_cast<char>(b[off + i]));
    }
    return s;
}

}  // namespace qvcfg
