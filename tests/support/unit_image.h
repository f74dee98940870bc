// Byte images shaped like a project's unit data file (361300 bytes) and analog
// connection file (1480000 bytes): mostly zero, with filled blocks and records.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace kravin::test {

inline std::vector<unsigned char> unitDataImage(unsigned seed = 1)
{
    std::vector<unsigned char> b(361300, 0);
    std::memcpy(b.data(), "00SYS", 5);
    std::uint32_t r = seed * 2654435761u;
    // 40 blocks with position, items (16 bytes) and terminals (20 bytes).
    for (int block = 0; block < 40; ++block) {
        unsigned char* p = b.data() + 500 + static_cast<std::size_t>(block) * 3608;
        p[0] = static_cast<unsigned char>(block * 3);
        p[4] = static_cast<unsigned char>(block * 5);
        for (int item = 0; item < 60; ++item) {
            r = r * 1103515245u + 12345u;
            char text[17];
            std::snprintf(text, sizeof text, "%05u", static_cast<unsigned>((r >> 8) % (block % 7 == 0 ? 100000 : 50)));
            std::memcpy(p + 8 + item * 16, text, 5);
        }
        for (int term = 0; term < 12; ++term) std::memcpy(p + 1608 + term * 20, "GGII0102", 8);
    }
    return b;
}

inline std::vector<unsigned char> analogImage(unsigned seed = 1)
{
    std::vector<unsigned char> b(1480000, 0);
    std::uint32_t r = seed * 40503u;
    for (int line = 0; line < 300; ++line) {
        r = r * 1103515245u + 12345u;
        unsigned char* p = b.data() + static_cast<std::size_t>((r >> 4) % 10000) * 148;
        p[0] = 1;
        p[4] = static_cast<unsigned char>(r >> 24);
        for (int point = 0; point < 8; ++point) {
            p[28 + point * 2] = static_cast<unsigned char>(point * 16 + line % 16);
            p[88 + point * 2] = static_cast<unsigned char>(line % 64);
        }
    }
    return b;
}

}  // namespace kravin::test
