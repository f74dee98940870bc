// The byte layouts of the system view's four clipboard formats: one card, a
// remote I/O station with its cards, and the two slots of a QV200W or QV210W.
// Readers check every size, index and count before they return anything, so a
// blob from another program either reads whole or not at all.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kravin::editors::sysclip {

constexpr std::size_t kCodeBytes = 500;           // 100 codes of 5 characters
constexpr std::size_t kBlockDataBytes = 400800;   // 100 x (items 100 x 18, terminals 100 x 22, X, Y)
constexpr std::size_t kLineDataBytes = 1400000;   // 100 x 100 analog lines of 140 bytes
constexpr std::size_t kBodyBytes = kCodeBytes + kBlockDataBytes + kLineDataBytes;
constexpr std::size_t kCommentBytes = 28400;
constexpr std::size_t kFigureBytes = 2400;
constexpr std::size_t kUnitTextMax = 5;

// Offsets inside the body (codes, block data, lines as the system work record holds them).
constexpr std::size_t kBlockBytes = 4008;
constexpr std::size_t kItemBytes = 18, kTermBytes = 22, kTermOffset = 1800, kXOffset = 4000, kYOffset = 4004;
constexpr std::size_t kLineBytes = 140;
constexpr std::size_t kLinePointsOffset = 8, kLineXOffset = 12, kLineYOffset = 72, kLineTextOffset = 132;
constexpr int kLinePointsMax = 30;

// One station or card with everything it owns.
struct UnitImage {
    std::int32_t station = 0, card = 0, kind = 0, version = 0;
    std::string unitText;
    std::vector<unsigned char> body = std::vector<unsigned char>(kBodyBytes);
    std::vector<unsigned char> comments = std::vector<unsigned char>(kCommentBytes);
    std::vector<unsigned char> figures = std::vector<unsigned char>(kFigureBytes);
};

struct PairImage {
    std::array<UnitImage, 2> slots;  // left-hand slot first
};

struct StationImage {
    std::int32_t station = 0, kind = 0, version = 0, x = 0, y = 0;
    std::string unitText;
    // Card 1 first; an empty entry is written as absent.
    std::array<std::optional<UnitImage>, 16> cards;
};

std::string EncodeCard(const UnitImage& unit);
std::string EncodePair(const PairImage& pair);
std::string EncodeStation(const StationImage& station);

std::optional<UnitImage> DecodeCard(std::string_view bytes);
std::optional<PairImage> DecodePair(std::string_view bytes);
std::optional<StationImage> DecodeStation(std::string_view bytes);

// Little-endian fields of a body.
std::int32_t get32(const unsigned char* at);
std::int16_t get16(const unsigned char* at);

}  // namespace kravin::editors::sysclip
