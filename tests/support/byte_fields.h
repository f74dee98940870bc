// Little-endian fields of a file image held as bytes.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace kravin::test {

inline std::int32_t int32At(const std::vector<unsigned char>& b, std::size_t at)
{
    std::int32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

inline std::int16_t int16At(const std::vector<unsigned char>& b, std::size_t at)
{
    std::int16_t v;
    std::memcpy(&v, b.data() + at, 2);
    return v;
}

inline void putInt32(std::vector<unsigned char>& b, std::size_t at, std::int32_t v) { std::memcpy(b.data() + at, &v, 4); }

inline std::string bytesAt(const std::vector<unsigned char>& b, std::size_t at, std::size_t n)
{
    return std::string(reinterpret_cast<const char*>(b.data()) + at, n);
}

}  // namespace kravin::test
