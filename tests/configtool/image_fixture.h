// Configuration images for the tests: the default body under a header of one's choice.
#pragma once

#include "config_data.h"

namespace qvcfg::test {

inline Bytes MakeImage(int modelCode, int major, int minor, int lcdMajor = 2, int lcdMinorTimesTen = 30)
{
    Bytes b = data::DefaultBody();
    PutU32(b, kOffMagic, kImageMagic);
    PutU16(b, kOffHeaderSize, 32);
    PutU16(b, kOffModelCode, static_cast<std::uint16_t>(modelCode));
    PutU16(b, kOffFormatMajor, static_cast<std::uint16_t>(major));
    PutU16(b, kOffFormatMinor, static_cast<std::uint16_t>(minor));
    PutU16(b, kOffLcdMajor, static_cast<std::uint16_t>(lcdMajor));
    PutU16(b, kOffLcdMinorTimesTen, static_cast<std::uint16_t>(lcdMinorTimesTen));
    b.resize(static_cast<std::size_t>(ImageSizeOf(major, minor)));
    return b;
}

}  // namespace qvcfg::test
