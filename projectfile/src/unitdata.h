// Unit data files: one per station ("STNnn/STNINF.KRAB") and card slot ("STNnn/CARDh.KRAB").
#pragma once

#include "KRAVinA.h"

#include <cstddef>
#include <string>

namespace kravina {

namespace unit {
constexpr std::size_t headSize = 500;  // the block codes of the 100 groups
constexpr std::size_t codeSize = 5;
constexpr std::size_t blockCount = 100;
constexpr std::size_t blockSize = 3608;
constexpr std::size_t fileSize = headSize + blockCount * blockSize;  // 361300

// Fields of a function block.
constexpr std::size_t x = 0, y = 4;
constexpr std::size_t items = 8, itemCount = 100, itemSize = 16;
constexpr std::size_t terms = 1608, termCount = 100, termSize = 20;

constexpr const char* defaultHead = "00SYS";

constexpr std::size_t blockOffset(int block) { return headSize + blockSize * static_cast<std::size_t>(block); }
}  // namespace unit

static_assert(unit::items + unit::itemCount * unit::itemSize == unit::terms);
static_assert(unit::terms + unit::termCount * unit::termSize == unit::blockSize);
static_assert(unit::fileSize == KRAVINA_UNIT_FILE_SIZE && unit::headSize == KRAVINA_UNIT_HEAD_SIZE);
static_assert(unit::itemSize == KRAVINA_UNIT_ITEM_SIZE && unit::termSize == KRAVINA_UNIT_TERM_SIZE);

// True for 0 <= index < count.
inline bool validIndex(int index, std::size_t count)
{
    return index >= 0 && static_cast<std::size_t>(index) < count;
}

// "STNnn" of a station 0..63.
std::string stationFolder(int station);

// One upper-case hexadecimal digit for card 0..15, 'X' for the station itself (-1).
char cardLetter(int card);

// The unit data file of a unit, relative to the work folder.
std::string unitDataFile(int station, int card);

}  // namespace kravina
