// Connection files of a unit ("STNnn/ACx.KRAB", "STNnn/DCx.KRAB") and the layer blocks.
#pragma once

#include "KRAVinA.h"

#include <cstddef>
#include <string>

namespace kravina {

// Analog connection file: 100 x 100 records, record (c, d) at recordSize * (100 c + d).
namespace acon {
constexpr std::size_t recordSize = 148;
constexpr std::size_t side = 100;
constexpr std::size_t fileSize = recordSize * side * side;  // 1480000
constexpr std::size_t value = 0;    // int32
constexpr std::size_t colour = 4;   // int32 COLORREF 0x00BBGGRR
constexpr std::size_t kind = 8;     // signed byte
constexpr std::size_t text = 9;     // NUL-terminated, 16 characters at most
constexpr std::size_t pointsX = 26; // int16[30]
constexpr std::size_t pointsY = 86; // int16[30]

constexpr std::size_t recordOffset(int c, int d)
{
    return recordSize * (side * static_cast<std::size_t>(c) + static_cast<std::size_t>(d));
}
}  // namespace acon

// Communication connection file: one record per communication terminal 11..26.
namespace dcon {
constexpr int firstTerminal = 11, lastTerminal = 26;
constexpr std::size_t recordSize = 156;
constexpr std::size_t records = lastTerminal - firstTerminal + 1;
constexpr std::size_t fileSize = recordSize * records;  // 2496
constexpr std::size_t value = 8;        // int32
constexpr std::size_t colour = 12;      // int32 COLORREF
constexpr std::size_t lineKind = 16;    // signed byte, returned fourth
constexpr std::size_t pointCount = 17;  // signed byte, returned first
constexpr std::size_t text = 19;        // NUL-terminated, 16 characters at most
constexpr std::size_t pointsX = 36;     // int16[30]
constexpr std::size_t pointsY = 96;     // int16[30]

constexpr std::size_t recordOffset(int terminal)
{
    return recordSize * static_cast<std::size_t>(terminal - firstTerminal);
}
}  // namespace dcon

// Shared by both record kinds.
constexpr std::size_t kConnectionTextWidth = 17;  // with its NUL
constexpr std::size_t kConnectionPoints = 30;

static_assert(acon::pointsY + 2 * kConnectionPoints + 2 == acon::recordSize);
static_assert(dcon::pointsY + 2 * kConnectionPoints == dcon::recordSize);
static_assert(acon::fileSize == KRAVINA_ACON_FILE_SIZE && dcon::fileSize == KRAVINA_DCON_FILE_SIZE);

// Layer blocks, opaque to the library.
constexpr std::size_t kCommentBlockSize = KRAVINA_COMMENT_BLOCK_SIZE;
constexpr std::size_t kFigureBlockSize = KRAVINA_FIGURE_BLOCK_SIZE;

// "STNnn/AC" or "STNnn/DC" + 'X' (station) or the card's hexadecimal digit + ".KRAB".
std::string aconFile(int station, int card);
std::string dconFile(int station, int card);

}  // namespace kravina
