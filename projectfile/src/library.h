// Internal shared state and helpers of the KRAVinA library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <mutex>

namespace kravina {

// One lock over every image of the library. Each export takes it once.
std::mutex& libraryMutex();

// Runs an export's body under the library lock; no exception crosses the C boundary.
template <class F>
int guarded(F&& body) noexcept
{
    try {
        std::lock_guard<std::mutex> lock(libraryMutex());
        return body();
    } catch (...) {
        return -1;
    }
}

constexpr int kStations = 64;
constexpr int kCards = 16;

inline bool validStation(int station) { return station >= 0 && station < kStations; }
inline bool validUnit(int station, int card)
{
    return validStation(station) && card >= -1 && card < kCards;
}

// Copies a fixed-width text field: source bytes up to its first NUL, NUL from there on.
// A null source counts as empty.
inline void setField(char* dst, const char* src, std::size_t width)
{
    std::size_t i = 0;
    if (src) {
        for (; i < width && src[i] != '\0'; ++i) dst[i] = src[i];
    }
    for (; i < width; ++i) dst[i] = '\0';
}

// Copies exactly width bytes to a caller buffer (no terminator); a null buffer is skipped.
inline void getField(char* dst, const char* src, std::size_t width)
{
    if (dst) std::memcpy(dst, src, width);
}

// True for the first byte of a CP932 double-byte character.
inline bool isCp932Lead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

inline std::int32_t loadInt32(const unsigned char* p)
{
    return static_cast<std::int32_t>(std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 |
                                     std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24);
}

inline void storeInt32(unsigned char* p, std::int32_t v)
{
    const auto u = static_cast<std::uint32_t>(v);
    p[0] = static_cast<unsigned char>(u);
    p[1] = static_cast<unsigned char>(u >> 8);
    p[2] = static_cast<unsigned char>(u >> 16);
    p[3] = static_cast<unsigned char>(u >> 24);
}

inline std::int16_t loadInt16(const unsigned char* p)
{
    return static_cast<std::int16_t>(std::uint16_t(p[0]) | std::uint16_t(p[1]) << 8);
}

inline void storeInt16(unsigned char* p, std::int16_t v)
{
    const auto u = static_cast<std::uint16_t>(v);
    p[0] = static_cast<unsigned char>(u);
    p[1] = static_cast<unsigned char>(u >> 8);
}

// Forgets the cached analog and communication connection images (keys back to -1).
void forgetConnectionCaches();

}  // namespace kravina
