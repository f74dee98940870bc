// Record layouts of old-format connection files (the current records are in connections.h).
#pragma once

#include <cstddef>
#include <array>
#include <cstdint>
#include <iterator>

namespace kravina::oldformat {

// Old connection record (analog and communication files alike).
constexpr std::size_t kRecordSize = 36;
constexpr std::size_t kKind = 0;     // signed byte
constexpr std::size_t kColour = 1;   // signed byte, colour index
constexpr std::size_t kByte2 = 2;
constexpr std::size_t kByte3 = 3;
constexpr std::size_t kX = 4;        // int16[8]
constexpr std::size_t kY = 20;       // int16[8]
constexpr std::size_t kPoints = 8;

constexpr std::size_t kAconRecords = 100 * 100;
constexpr std::size_t kDconRecords = 16;
constexpr std::size_t kAconFileSize = kAconRecords * kRecordSize;  // 360000
constexpr std::size_t kDconFileSize = kDconRecords * kRecordSize;  // 576

// COLORREF (0x00BBGGRR) of an old colour index; 0 for an index outside the table.
inline constexpr std::int32_t kColours[] = {
    0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF, 0xFF00FF, 0xFFFF00, 0xFFFFFF, 0x808080,
    0xC0C0C0, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000,
};

constexpr std::int32_t colourOfIndex(int index)
{
    return index >= 0 && index < int(std::size(kColours)) ? kColours[index] : 0;
}

// The colour of a record's stored index byte (a signed index; negative ones have none),
// looked up without a test: a connection file holds ten thousand records.
inline std::int32_t colourOfByte(unsigned char stored)
{
    static constexpr auto table = [] {
        std::array<std::int32_t, 256> t{};
        for (int b = 0; b < 256; ++b) t[b] = colourOfIndex(static_cast<signed char>(b));
        return t;
    }();
    return table[stored];
}

}  // namespace kravina::oldformat
