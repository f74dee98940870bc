// Unit data files: the unit head and 100 function blocks (position, items, terminals)
// of one station or card slot, held one unit at a time in the unit image.
#include "unitdata.h"

#include "KRAVinA.h"
#include "fileio.h"
#include "library.h"

#include <algorithm>
#include <array>

namespace kravina {

std::string stationFolder(int station)
{
    return {'S', 'T', 'N', char('0' + station / 10), char('0' + station % 10)};
}

char cardLetter(int card)
{
    return card < 0 ? 'X' : "0123456789ABCDEF"[card & 15];
}

std::string unitDataFile(int station, int card)
{
    std::string name = stationFolder(station);
    if (card < 0) {
        name += "/STNINF.KRAB";
    } else {
        name += "/CARD";
        name += cardLetter(card);
        name += ".KRAB";
    }
    return name;
}

namespace {

using UnitImage = std::array<unsigned char, unit::fileSize>;

UnitImage& unitImage()
{
    static UnitImage image{};
    return image;
}

unsigned char* blockAt(int block) { return unitImage().data() + unit::blockOffset(block); }

bool validBlock(int block) { return validIndex(block, unit::blockCount); }

// The items or the terminals of a block: count entries of size bytes from offset at.
struct Entries {
    std::size_t at, count, size;
};
constexpr Entries kItems{unit::items, unit::itemCount, unit::itemSize};
constexpr Entries kTerms{unit::terms, unit::termCount, unit::termSize};

int copyOut(Entries e, int block, int index, char* data)
{
    return guarded([&] {
        if (!validBlock(block) || !validIndex(index, e.count)) return -1;
        getField(data, reinterpret_cast<const char*>(blockAt(block) + e.at + e.size * index), e.size);
        return 0;
    });
}

int copyIn(Entries e, int block, int index, const char* data)
{
    return guarded([&] {
        if (!validBlock(block) || !validIndex(index, e.count) || !data) return -1;
        std::memcpy(blockAt(block) + e.at + e.size * index, data, e.size);
        return 0;
    });
}

}  // namespace
}  // namespace kravina

using namespace kravina;

extern "C" {

int KRAVinA_Data_Get(int station, int card, char* head, const char* folder)
{
    return guarded([&] {
        if (!validUnit(station, card) || !folder) return -1;
        auto& image = unitImage();
        const long n = readFile(folder, unitDataFile(station, card), image.data(), image.size());
        int result = 0;
        if (n < 0) {
            image.fill(0);
            std::memcpy(image.data(), unit::defaultHead, std::strlen(unit::defaultHead));
            result = -2;
        } else if (static_cast<std::size_t>(n) < image.size()) {
            // A damaged file: keep what it holds, never the tail of the unit read before.
            std::memset(image.data() + n, 0, image.size() - static_cast<std::size_t>(n));
            result = -1;
        }
        getField(head, reinterpret_cast<const char*>(image.data()), unit::headSize);
        return result;
    });
}

int KRAVinA_Data_Write(int station, int card, const char* head, const char* folder)
{
    return guarded([&] {
        if (!validUnit(station, card) || !head || !folder) return -1;
        auto& image = unitImage();
        std::memcpy(image.data(), head, unit::headSize);
        if (!makeFolder(folder, stationFolder(station))) return -1;
        return writeFile(folder, unitDataFile(station, card), image.data(), image.size()) ? 0 : -1;
    });
}

int KRAVinA_Data_XY_Get(int block, int* x, int* y)
{
    return guarded([&] {
        if (!validBlock(block)) return -1;
        const unsigned char* b = blockAt(block);
        if (x) *x = loadInt32(b + unit::x);
        if (y) *y = loadInt32(b + unit::y);
        return 0;
    });
}

int KRAVinA_Data_XY_Set(int block, int x, int y)
{
    return guarded([&] {
        if (!validBlock(block)) return -1;
        unsigned char* b = blockAt(block);
        storeInt32(b + unit::x, x);
        storeInt32(b + unit::y, y);
        return 0;
    });
}

int KRAVinA_Data_Item_Get(int block, int item, char* data) { return copyOut(kItems, block, item, data); }

int KRAVinA_Data_Item_Set(int block, int item, const char* data) { return copyIn(kItems, block, item, data); }

int KRAVinA_Data_Term_Get(int block, int terminal, char* data) { return copyOut(kTerms, block, terminal, data); }

int KRAVinA_Data_Term_Set(int block, int terminal, const char* data) { return copyIn(kTerms, block, terminal, data); }

int KRAVinA_Data_Blocks_Get(void* data, int size)
{
    return guarded([&] {
        constexpr std::size_t n = unit::fileSize - unit::headSize;
        if (!data || size < 0 || static_cast<std::size_t>(size) != n) return -1;
        std::memcpy(data, unitImage().data() + unit::headSize, n);
        return 0;
    });
}

int KRAVinA_Data_Blocks_Set(const void* data, int size)
{
    return guarded([&] {
        constexpr std::size_t n = unit::fileSize - unit::headSize;
        if (!data || size < 0 || static_cast<std::size_t>(size) != n) return -1;
        std::memcpy(unitImage().data() + unit::headSize, data, n);
        return 0;
    });
}

int KRAVinA_Data_Check(const void* data, long size)
{
    if (!data || size < 0 || static_cast<std::size_t>(size) != unit::fileSize) return -1;
    const auto* head = static_cast<const unsigned char*>(data);
    if (std::memcmp(head, unit::defaultHead, unit::codeSize) != 0) return -1;
    const auto digit = [](unsigned char c) { return c >= '0' && c <= '9'; };
    const auto printable = [](unsigned char c) { return c > ' ' && c < 0x7F; };
    for (std::size_t g = 1; g < unit::headSize / unit::codeSize; ++g) {
        const unsigned char* code = head + g * unit::codeSize;
        const bool empty = std::all_of(code, code + unit::codeSize, [](unsigned char c) { return c == 0; });
        const bool named = digit(code[0]) && digit(code[1]) && std::all_of(code + 2, code + unit::codeSize, printable);
        if (!empty && !named) return -1;
    }
    return 0;
}

int KRAVinA_Proj_Search(const char* /*unused*/)
{
    return 0;
}

int KRAVinA_Proj_NewSearch(void)
{
    return 0;
}

int KRAVinA_CD_Delete(int station, int card)
{
    return validUnit(station, card) ? 0 : -1;
}

int KRAVinA_Proj_Get_Head_Num(int station, int card)
{
    return KRAVinA_CD_Delete(station, card);
}

}  // extern "C"
