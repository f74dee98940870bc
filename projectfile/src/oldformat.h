// Record layouts of old-format connection files and of the current records they widen into.
#pragma once

#include <cstddef>
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

// Current analog connection record, 148 bytes.
namespace acon {
constexpr std::size_t kSize = 148;
constexpr std::size_t kValue = 0;    // int32
constexpr std::size_t kColour = 4;   // int32 COLORREF
constexpr std::size_t kKind = 8;     // signed byte
constexpr std::size_t kText = 9;     // 17 bytes
constexpr std::size_t kX = 26;       // int16[30]
constexpr std::size_t kY = 86;       // int16[30]
constexpr std::size_t kFileSize = kAconRecords * kSize;  // 1480000
}  // namespace acon

// Current communication connection record, 156 bytes.
namespace dcon {
constexpr std::size_t kSize = 156;
constexpr std::size_t kValue = 8;    // int32
constexpr std::size_t kColour = 12;  // int32 COLORREF
constexpr std::size_t kByte16 = 16;  // signed byte
constexpr std::size_t kByte17 = 17;  // signed byte
constexpr std::size_t kText = 19;    // 17 bytes
constexpr std::size_t kX = 36;       // int16[30]
constexpr std::size_t kY = 96;       // int16[30]
constexpr std::size_t kFileSize = kDconRecords * kSize;  // 2496
}  // namespace dcon

// COLORREF (0x00BBGGRR) of an old colour index; 0 for an index outside the table.
inline std::int32_t colourOfIndex(int index)
{
    static constexpr std::int32_t table[] = {
        0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF, 0xFF00FF, 0xFFFF00, 0xFFFFFF, 0x808080,
        0xC0C0C0, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000,
    };
    return index >= 0 && index < int(std::size(table)) ? table[index] : 0;
}

}  // namespace kravina::oldformat
