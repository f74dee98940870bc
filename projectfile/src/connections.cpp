// Analog and communication connection files, each cached for one (station, card),
// and the comment and figure layer blocks read and written whole.
#include "connections.h"

#include "KRAVinA.h"
#include "fileio.h"
#include "library.h"
#include "unitdata.h"

#include <array>
#include <cstdint>
#include <limits>

namespace kravina {

namespace {

std::string connectionFile(const char* prefix, int station, int card)
{
    std::string name = stationFolder(station);
    name += '/';
    name += prefix;
    name += cardLetter(card);
    name += ".KRAB";
    return name;
}

}  // namespace

std::string aconFile(int station, int card) { return connectionFile("AC", station, card); }
std::string dconFile(int station, int card) { return connectionFile("DC", station, card); }

namespace {

// One connection file image and the unit it belongs to (station -1: nothing cached).
template <std::size_t Size>
struct ConnectionCache {
    std::array<unsigned char, Size> image{};
    int station = -1;
    int card = -1;

    bool loaded() const { return station >= 0; }
    bool holds(int s, int c) const { return loaded() && station == s && card == c; }

    // Reads the unit's file unless it is the one cached. A missing file is an empty
    // image; a short one keeps what it holds, the rest zero, and gives -1.
    int load(int s, int c, const char* folder, const std::string& name)
    {
        if (holds(s, c)) return 0;
        const long n = readFile(folder, name, image.data(), image.size());
        int result = 0;
        if (n < 0) {
            image.fill(0);
        } else if (static_cast<std::size_t>(n) < image.size()) {
            std::memset(image.data() + n, 0, image.size() - static_cast<std::size_t>(n));
            result = -1;
        }
        station = s;
        card = c;
        return result;
    }

    // Writes the image as the file of its own unit, creating the station folder.
    int write(const char* folder, const std::string& name) const
    {
        if (!makeFolder(folder, stationFolder(station))) return -1;
        return writeFile(folder, name, image.data(), image.size()) ? 0 : -1;
    }
};

ConnectionCache<acon::fileSize>& aconCache()
{
    static ConnectionCache<acon::fileSize> cache;
    return cache;
}

ConnectionCache<dcon::fileSize>& dconCache()
{
    static ConnectionCache<dcon::fileSize> cache;
    return cache;
}

constexpr std::size_t kTextMax = kConnectionTextWidth - 1;

// Bytes of text kept in a field of max characters: up to the NUL, never half a
// double-byte character.
std::size_t fittedLength(const char* text, std::size_t max)
{
    std::size_t i = 0;
    while (i < max && text[i] != '\0') {
        if (!isCp932Lead(static_cast<unsigned char>(text[i]))) {
            ++i;
        } else if (i + 1 < max && text[i + 1] != '\0') {
            i += 2;
        } else {
            break;
        }
    }
    return i;
}

// Stores at most 16 characters and a NUL-padded tail in the 17-byte field.
void putText(unsigned char* field, const char* text)
{
    const std::size_t n = text ? fittedLength(text, kTextMax) : 0;
    if (n) std::memcpy(field, text, n);
    std::memset(field + n, 0, kConnectionTextWidth - n);
}

// Copies the text and its NUL (17 bytes at most) to a caller buffer.
void getText(char* out, const unsigned char* field)
{
    if (!out) return;
    const char* text = reinterpret_cast<const char*>(field);
    const std::size_t n = fittedLength(text, kTextMax);
    std::memcpy(out, text, n);
    out[n] = '\0';
}

bool validPair(int c, int d) { return validIndex(c, acon::side) && validIndex(d, acon::side); }
bool validTerminal(int j) { return j >= dcon::firstTerminal && j <= dcon::lastTerminal; }
bool validPoint(int p) { return validIndex(p, kConnectionPoints); }
bool fitsInt16(int v)
{
    return v >= std::numeric_limits<std::int16_t>::min() && v <= std::numeric_limits<std::int16_t>::max();
}

void getPoint(const unsigned char* record, std::size_t xAt, std::size_t yAt, int point, int* x, int* y)
{
    if (x) *x = loadInt16(record + xAt + 2 * static_cast<std::size_t>(point));
    if (y) *y = loadInt16(record + yAt + 2 * static_cast<std::size_t>(point));
}

void setPoint(unsigned char* record, std::size_t xAt, std::size_t yAt, int point, int x, int y)
{
    storeInt16(record + xAt + 2 * static_cast<std::size_t>(point), static_cast<std::int16_t>(x));
    storeInt16(record + yAt + 2 * static_cast<std::size_t>(point), static_cast<std::int16_t>(y));
}

// A layer file is named by the caller: a plain name inside the work folder.
bool validLayerName(const char* name)
{
    if (!name || !*name) return false;
    const std::string s(name);
    return s != "." && s != ".." && s.find_first_of("/\\") == std::string::npos;
}

int readLayer(void* block, std::size_t size, const char* folder, const char* name)
{
    if (!block || !folder || !validLayerName(name)) return -1;
    std::memset(block, 0, size);
    const long n = readFile(folder, name, block, size);
    if (n >= 0 && static_cast<std::size_t>(n) < size) return -1;  // damaged: the rest stays zero
    return 0;
}

int writeLayer(const void* block, std::size_t size, const char* folder, const char* name)
{
    if (!block || !folder || !validLayerName(name)) return -1;
    return writeFile(folder, name, block, size) ? 0 : -1;
}

}  // namespace

void forgetConnectionCaches()
{
    aconCache().station = aconCache().card = -1;
    dconCache().station = dconCache().card = -1;
}

}  // namespace kravina

using namespace kravina;

extern "C" {

int KRAVinA_Acon_Get(int station, int card, int c, int d, int* kind, int* value, int* colour, char* text,
                     const char* folder)
{
    return guarded([&] {
        if (!validUnit(station, card) || !validPair(c, d) || !folder) return -1;
        auto& cache = aconCache();
        const int result = cache.load(station, card, folder, aconFile(station, card));
        const unsigned char* r = cache.image.data() + acon::recordOffset(c, d);
        if (kind) *kind = static_cast<signed char>(r[acon::kind]);
        if (value) *value = loadInt32(r + acon::value);
        if (colour) *colour = loadInt32(r + acon::colour);
        getText(text, r + acon::text);
        return result;
    });
}

int KRAVinA_Acon_Check(const void* data, long size)
{
    return data && size >= 0 && static_cast<std::size_t>(size) == acon::fileSize ? 0 : -1;
}

int KRAVinA_Acon_Set(int station, int card, int c, int d, int kind, int value, int colour, const char* text)
{
    return guarded([&] {
        if (!validUnit(station, card) || !validPair(c, d)) return -1;
        auto& cache = aconCache();
        if (!cache.holds(station, card)) return -1;
        unsigned char* r = cache.image.data() + acon::recordOffset(c, d);
        r[acon::kind] = static_cast<unsigned char>(kind);
        storeInt32(r + acon::value, value);
        storeInt32(r + acon::colour, colour);
        putText(r + acon::text, text);
        return 0;
    });
}

int KRAVinA_Acon_Write(int station, int card, const char* folder)
{
    return guarded([&] {
        if (!validUnit(station, card) || !folder) return -1;
        const auto& cache = aconCache();
        if (!cache.holds(station, card)) return -1;
        return cache.write(folder, aconFile(station, card));
    });
}

int KRAVinA_Acon_Pnt_Get(int c, int d, int point, int* x, int* y)
{
    return guarded([&] {
        if (!validPair(c, d) || !validPoint(point) || !aconCache().loaded()) return -1;
        getPoint(aconCache().image.data() + acon::recordOffset(c, d), acon::pointsX, acon::pointsY, point, x, y);
        return 0;
    });
}

int KRAVinA_Acon_Pnt_Set(int c, int d, int point, int x, int y)
{
    return guarded([&] {
        if (!validPair(c, d) || !validPoint(point) || !fitsInt16(x) || !fitsInt16(y) || !aconCache().loaded())
            return -1;
        setPoint(aconCache().image.data() + acon::recordOffset(c, d), acon::pointsX, acon::pointsY, point, x, y);
        return 0;
    });
}

int KRAVinA_Dcon_Get(int station, int card, int terminal, int* pointCount, int* value, int* colour,
                     int* lineKind, char* text, const char* folder)
{
    return guarded([&] {
        if (!validUnit(station, card) || !validTerminal(terminal) || !folder) return -1;
        auto& cache = dconCache();
        const int result = cache.load(station, card, folder, dconFile(station, card));
        const unsigned char* r = cache.image.data() + dcon::recordOffset(terminal);
        if (pointCount) *pointCount = static_cast<signed char>(r[dcon::pointCount]);
        if (value) *value = loadInt32(r + dcon::value);
        if (colour) *colour = loadInt32(r + dcon::colour);
        if (lineKind) *lineKind = static_cast<signed char>(r[dcon::lineKind]);
        getText(text, r + dcon::text);
        return result;
    });
}

int KRAVinA_Dcon_Write(int station, int card, int terminal, int pointCount, int value, int colour, int lineKind,
                       const char* text, const char* folder)
{
    return guarded([&] {
        if (!validUnit(station, card) || !validTerminal(terminal) || !folder) return -1;
        auto& cache = dconCache();
        if (!cache.holds(station, card)) return -1;
        unsigned char* r = cache.image.data() + dcon::recordOffset(terminal);
        r[dcon::pointCount] = static_cast<unsigned char>(pointCount);
        storeInt32(r + dcon::value, value);
        storeInt32(r + dcon::colour, colour);
        r[dcon::lineKind] = static_cast<unsigned char>(lineKind);
        putText(r + dcon::text, text);
        return cache.write(folder, dconFile(station, card));
    });
}

int KRAVinA_Dcon_Pnt_Get(int terminal, int point, int* x, int* y)
{
    return guarded([&] {
        if (!validTerminal(terminal) || !validPoint(point) || !dconCache().loaded()) return -1;
        getPoint(dconCache().image.data() + dcon::recordOffset(terminal), dcon::pointsX, dcon::pointsY, point, x, y);
        return 0;
    });
}

int KRAVinA_Dcon_Pnt_Set(int terminal, int point, int x, int y)
{
    return guarded([&] {
        if (!validTerminal(terminal) || !validPoint(point) || !fitsInt16(x) || !fitsInt16(y) ||
            !dconCache().loaded())
            return -1;
        setPoint(dconCache().image.data() + dcon::recordOffset(terminal), dcon::pointsX, dcon::pointsY, point, x, y);
        return 0;
    });
}

int KRAVinA_Comment_Write(const void* block, const char* folder, const char* fileName)
{
    return guarded([&] { return writeLayer(block, kCommentBlockSize, folder, fileName); });
}

int KRAVinA_Comment_Read(void* block, const char* folder, const char* fileName)
{
    return guarded([&] { return readLayer(block, kCommentBlockSize, folder, fileName); });
}

int KRAVinA_Tenbyou_Write(const void* block, const char* folder, const char* fileName)
{
    return guarded([&] { return writeLayer(block, kFigureBlockSize, folder, fileName); });
}

int KRAVinA_Tenbyou_Read(void* block, const char* folder, const char* fileName)
{
    return guarded([&] { return readLayer(block, kFigureBlockSize, folder, fileName); });
}

}  // extern "C"
