// The project header image, shared with the other parts of the library.
#pragma once

#include <array>
#include <cstddef>

namespace kravina {

constexpr std::size_t kHeaderSize = 148992;
constexpr std::size_t kOldHeaderSize = 144640;
constexpr std::size_t kRecordBase = 1024;
constexpr std::size_t kRecordSize = 136;
constexpr std::size_t kOldRecordSize = 132;
constexpr std::size_t kRecordCount = 1088;
constexpr const char* kHeaderFile = "KRAVin.KRAB";

// Record fields of the current layout.
namespace rec {
constexpr std::size_t kind = 0, kindWidth = 8;
constexpr std::size_t unitText = 9, unitTextWidth = 5;
constexpr std::size_t version = 14, versionWidth = 4;
constexpr std::size_t comment = 18, commentWidth = 32;
constexpr std::size_t x = 52, y = 56;
}  // namespace rec

// Head fields.
namespace head {
constexpr std::size_t name = 64, nameWidth = 32;
constexpr std::size_t text2 = 96, text2Width = 32;
constexpr std::size_t comment = 128, commentWidth = 160;
}  // namespace head

using HeaderImage = std::array<unsigned char, kHeaderSize>;

// The header image of the selected project (guarded by the library lock).
HeaderImage& headerImage();

// Start of the record of a unit (card -1 = the station itself).
inline std::size_t recordOffset(int station, int card)
{
    return kRecordBase + kRecordSize * static_cast<std::size_t>(17 * station + card + 1);
}

// Writes the header image (with the program's version text) to folder. false on failure.
bool writeHeader(const char* folder);

// Rebuilds the current layout in the image from an image of 132-byte records at 1024,
// with the head texts at the given old offsets.
void convertOldHeader(const unsigned char* old, std::size_t nameAt, std::size_t text2At,
                      std::size_t commentAt);

// Sets the three head texts of the image (each up to its first NUL, NUL-padded).
void setHead(const char* name, const char* text2, const char* comment);

// Reads folder's header of the oldest layout into the image in the current layout and
// forgets the connection caches; returns the select result (1). Missing bytes read as zero.
int selectOldestHeader(const char* folder);

}  // namespace kravina
