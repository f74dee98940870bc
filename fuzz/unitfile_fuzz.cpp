// The input is the content of a unit's data file and of its two connection files and a
// layer file: every field read must be the file's bytes (zero past its end), every text
// terminated within its field, and a unit written back must hold what was read.
#include "KRAVinA.h"
#include "fuzz_support.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <vector>

using namespace kravin::fuzz;

namespace {

constexpr int kStation = 7, kCard = 10;

// The byte at offset in a file holding data (zero past its end).
unsigned char at(const std::uint8_t* data, std::size_t size, std::size_t offset)
{
    return offset < size ? data[offset] : 0;
}

bool sameBytes(const char* got, const std::uint8_t* data, std::size_t size, std::size_t offset, std::size_t n)
{
    const std::size_t inFile = offset < size ? std::min(n, size - offset) : 0;
    if (inFile > 0 && std::memcmp(got, data + offset, inFile) != 0) return false;
    return std::all_of(got + inFile, got + n, [](char c) { return c == 0; });
}

int32_t int32In(const std::uint8_t* data, std::size_t size, std::size_t offset)
{
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | at(data, size, offset + i);
    return static_cast<int32_t>(v);
}

void checkText(const char* text)
{
    require(std::memchr(text, '\0', KRAVINA_CONNECTION_TEXT_SIZE) != nullptr);
}

void checkUnit(const std::string& dir, const std::uint8_t* data, std::size_t size)
{
    std::vector<char> head(KRAVINA_UNIT_HEAD_SIZE);
    const int got = KRAVinA_Data_Get(kStation, kCard, head.data(), dir.c_str());
    require(got == (size >= KRAVINA_UNIT_FILE_SIZE ? 0 : -1));
    require(sameBytes(head.data(), data, size, 0, head.size()));
    for (int b = 0; b < KRAVINA_UNIT_BLOCKS; b += 9) {
        const std::size_t block = KRAVINA_UNIT_HEAD_SIZE + 3608 * std::size_t(b);
        int x = 0, y = 0;
        require(KRAVinA_Data_XY_Get(b, &x, &y) == 0);
        require(x == int32In(data, size, block) && y == int32In(data, size, block + 4));
        for (int i = 0; i < KRAVINA_UNIT_ITEMS; i += 7) {
            char item[KRAVINA_UNIT_ITEM_SIZE], term[KRAVINA_UNIT_TERM_SIZE];
            require(KRAVinA_Data_Item_Get(b, i, item) == 0 && KRAVinA_Data_Term_Get(b, i, term) == 0);
            require(sameBytes(item, data, size, block + 8 + 16 * std::size_t(i), sizeof item));
            require(sameBytes(term, data, size, block + 1608 + 20 * std::size_t(i), sizeof term));
        }
    }
    require(KRAVinA_Data_Write(kStation, kCard, head.data(), dir.c_str()) == 0);
    static std::vector<unsigned char> written(KRAVINA_UNIT_FILE_SIZE);
    std::FILE* f = std::fopen((dir + "/STN07/CARDA.KRAB").c_str(), "rb");
    require(f && std::fread(written.data(), 1, written.size(), f) == written.size());
    std::fclose(f);
    for (std::size_t i = 0; i < written.size(); i += 97) require(written[i] == at(data, size, i));
}

void checkConnections(const std::string& dir, const std::uint8_t* data, std::size_t size)
{
    for (int c = 0; c < 100; c += 11) {
        for (int d = 0; d < 100; d += 3) {
            int kind = 0, value = 0, colour = 0;
            char text[KRAVINA_CONNECTION_TEXT_SIZE];
            const int got = KRAVinA_Acon_Get(kStation, kCard, c, d, &kind, &value, &colour, text, dir.c_str());
            require(got == 0 || (got == -1 && size < KRAVINA_ACON_FILE_SIZE));
            const std::size_t r = 148 * std::size_t(100 * c + d);
            require(value == int32In(data, size, r) && colour == int32In(data, size, r + 4));
            require(kind == static_cast<signed char>(at(data, size, r + 8)));
            checkText(text);
            int x = 0, y = 0;
            require(KRAVinA_Acon_Pnt_Get(c, d, 29, &x, &y) == 0);
            require(x == static_cast<int16_t>(at(data, size, r + 84) | at(data, size, r + 85) << 8));
        }
    }
    for (int j = KRAVINA_DCON_FIRST_TERMINAL; j <= KRAVINA_DCON_LAST_TERMINAL; ++j) {
        int count = 0, value = 0, colour = 0, lineKind = 0;
        char text[KRAVINA_CONNECTION_TEXT_SIZE];
        const int got = KRAVinA_Dcon_Get(kStation, kCard, j, &count, &value, &colour, &lineKind, text, dir.c_str());
        require(got == 0 || (got == -1 && size < KRAVINA_DCON_FILE_SIZE));
        const std::size_t r = 156 * std::size_t(j - 11);
        require(value == int32In(data, size, r + 8) && count == static_cast<signed char>(at(data, size, r + 17)));
        checkText(text);
        for (int p = 0; p < KRAVINA_CONNECTION_POINTS; ++p) require(KRAVinA_Dcon_Pnt_Get(j, p, nullptr, nullptr) == 0);
    }
    // Stored texts of any bytes stay within their field.
    const std::size_t n = std::min<std::size_t>(size, 40);
    std::vector<char> input(data, data + n);
    input.push_back('\0');
    require(KRAVinA_Acon_Set(kStation, kCard, 1, 1, 0, 0, 0, input.data()) == 0);
    char text[KRAVINA_CONNECTION_TEXT_SIZE];
    require(KRAVinA_Acon_Get(kStation, kCard, 1, 1, nullptr, nullptr, nullptr, text, dir.c_str()) == 0);
    checkText(text);
    require(std::strncmp(text, input.data(), std::strlen(text)) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const kravin::test::TempDir folder;
    const std::string dir = folder.str();
    // A header of the current format, so selecting the folder converts no old one.
    static const bool headed = [&] {
        KRAVinA_Proj_Set_Version("ORVANTEK KRAV3 Version 1.121.0108");
        return KRAVinA_Proj_Create("FUZZ", "", "", dir.c_str()) == 1;
    }();
    require(headed);
    // One copy of the input under four names: the library replaces a file it writes by
    // renaming a new one over it, so the other names keep the input.
    const std::string first = folder / "DC_COM.KRAB";
    writeInput(first, data, size);
    std::filesystem::create_directories(folder / "STN07");
    for (const char* name : {"STN07/CARDA.KRAB", "STN07/ACA.KRAB", "STN07/DCA.KRAB"}) {
        std::filesystem::remove(folder / name);
        std::filesystem::create_hard_link(first, folder / name);
    }
    require(KRAVinA_Proj_Select(dir.c_str()) == 1);  // forgets the connection images of the last input

    checkUnit(dir, data, size);
    checkConnections(dir, data, size);

    static std::vector<unsigned char> block(KRAVINA_COMMENT_BLOCK_SIZE);
    const int got = KRAVinA_Comment_Read(block.data(), dir.c_str(), "DC_COM.KRAB");
    require(got == (size >= block.size() ? 0 : -1));
    for (std::size_t i = 0; i < block.size(); i += 13) require(block[i] == at(data, size, i));
    return 0;
}
