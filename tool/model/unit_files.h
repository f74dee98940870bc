// Images of unit data the undo stores keep, read from and written back
// through KRAVinA. Cards use the tool's numbering (0 = the station itself,
// 1..16 = card slots); the library's card is one less.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kravin::model {

constexpr int kUnitBlocks = 100;
constexpr int kBlockItems = 100;
constexpr int kBlockTerms = 100;
constexpr int kItemBytes = 16;
constexpr int kTermBytes = 20;
constexpr int kHeadBytes = 500;
constexpr int kCodeBytes = 5;
constexpr int kLinePoints = 30;

using UnitHead = std::array<char, kHeadBytes>;
using BlockCode = std::array<char, 6>;  // 5 characters and a NUL

inline int libraryCard(int card) { return card - 1; }

// One function block of the unit image: position, items and terminals.
struct BlockImage {
    std::int32_t x = 0, y = 0;
    std::array<std::array<char, kItemBytes>, kBlockItems> items{};
    std::array<std::array<char, kTermBytes>, kBlockTerms> terms{};
    bool empty() const;
    friend bool operator==(const BlockImage&, const BlockImage&) = default;
};

// Reads block b of the unit image the library holds now.
BlockImage readBlock(int block);
// Writes block b into the unit image (the file is written by writeUnit).
void putBlock(int block, const BlockImage& image);

// KRAVinA_Data_Get of a unit into the library's image; its head comes out
// (the default head when the unit has no file). False when it has no file.
bool loadUnit(int station, int card, const std::string& folder, UnitHead& head);
// KRAVinA_Data_Write of the image with head; false when it could not be written.
bool writeUnit(int station, int card, const UnitHead& head, const std::string& folder);

// One analog connection record (c, d) with all its points.
struct AconImage {
    std::int32_t kind = 0, value = 0, colour = 0;
    std::array<char, 17> text{};
    std::array<std::int32_t, kLinePoints> px{}, py{};
    bool empty() const;
    friend bool operator==(const AconImage&, const AconImage&) = default;
};

// Records of the unit's analog connection file (loads it into the library's cache).
AconImage readAcon(int station, int card, int c, int d, const std::string& folder);
// Stores a record into the cached image of the unit; false when refused.
bool putAcon(int station, int card, int c, int d, const AconImage& image, const std::string& folder);

// One communication connection record of terminal 11..26.
struct DconImage {
    std::int32_t pointCount = 0, value = 0, colour = 0, lineKind = 0;
    std::array<char, 17> text{};
    std::array<std::int32_t, kLinePoints> px{}, py{};
    friend bool operator==(const DconImage&, const DconImage&) = default;
};

DconImage readDcon(int station, int card, int terminal, const std::string& folder);
// Stores the record and writes the unit's communication file.
bool writeDcon(int station, int card, int terminal, const DconImage& image, const std::string& folder);

// Relative paths of a unit's files in the work folder.
std::string unitDataPath(int station, int card);
std::string aconPath(int station, int card);
std::string dconPath(int station, int card);

}  // namespace kravin::model
