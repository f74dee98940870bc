#include "config_data.h"

#include <algorithm>
#include <cstring>

namespace qvcfg {

int ImageSizeOf(int major, int minor)
{
    if ((major == 2 && minor < 2) || (major != 2 && major < 3)) return static_cast<int>(kSmallImageSize);
    return static_cast<int>(kImageSize);
}

namespace data {

namespace {

constexpr std::size_t kParamTable = 288;
constexpr std::size_t kParamEntry = 28;
constexpr std::size_t kParamCount = 40;
constexpr std::size_t kRangeTable = 1412;
constexpr std::size_t kRangeEntry = 6;

void PutBytes(Bytes& b, std::size_t off, std::initializer_list<int> values)
{
    for (int v : values) b[off++] = static_cast<std::uint8_t>(v);
}

void PutWords(Bytes& b, std::size_t off, std::initializer_list<int> values)
{
    for (int v : values) {
        PutU16(b, off, static_cast<std::uint16_t>(v));
        off += 2;
    }
}

// Copies bytes first..last (inclusive) where both images hold them.
void CopyRange(Bytes& dst, const Bytes& src, std::size_t first, std::size_t last)
{
    for (std::size_t i = first; i <= last && i < dst.size() && i < src.size(); ++i) dst[i] = src[i];
}

int Major(const Bytes& b) { return GetU16(b, kOffFormatMajor); }
int Minor(const Bytes& b) { return GetU16(b, kOffFormatMinor); }

// The groups copied by Load and ConvertForDevice; conditions look at the target's header.
void CopyCommon(Bytes& t, const Bytes& s)
{
    CopyRange(t, s, 32, 66);
    CopyRange(t, s, 68, 109);
    if (GetU16(s, 110) == 4 && !AtLeast(Major(t), Minor(t), 3, 2))
        PutU16(t, 110, 0);
    else
        CopyRange(t, s, 110, 111);
    if (112 < t.size() && 112 < s.size()) t[112] = s[112] == 0 ? 1 : s[112];
    CopyRange(t, s, 114, 121);
}

void CopyCommunication(Bytes& t, const Bytes& s)
{
    CopyRange(t, s, 122, 122);
    CopyRange(t, s, 124, 126);
    CopyRange(t, s, 128, 147);
}

void CopyDisplay2(Bytes& t, const Bytes& s) { CopyRange(t, s, 148, 159); }

void ResetSymbols(Bytes& t) { PutWords(t, 32, {2, 3, 2, 3}); }

void CopyBlockA(Bytes& t, const Bytes& s)
{
    CopyRange(t, s, 160, 179);
    CopyRange(t, s, 183, 192);
}

void CopyBlockB(Bytes& t, const Bytes& s) { CopyRange(t, s, 200, 223); }

void CopyBlock22(Bytes& t, const Bytes& s)
{
    if (Major(t) == 2 && Minor(t) >= 2) {
        PutU16(t, 110, 0);
        CopyRange(t, s, 1654, 1655);
    }
}

void CopyBlockC(Bytes& t, const Bytes& s)
{
    if (Major(t) == 2 && Minor(t) > 2) CopyRange(t, s, 240, 269);
}

void CopyParameterTable(Bytes& t, const Bytes& s)
{
    if (Major(t) > 2) CopyRange(t, s, kParamTable, 1408);
}

void CopyLanguage(Bytes& t, const Bytes& s)
{
    if (Major(t) > 2) CopyRange(t, s, 1410, 1411);
}

void CopyRanges(Bytes& t, const Bytes& s)
{
    if (Major(t) > 2) CopyRange(t, s, kRangeTable, 1663);
}

}  // namespace

Bytes DefaultBody()
{
    Bytes b(kImageSize, 0);
    PutWords(b, 32, {2, 3, 2, 3, 4});
    std::fill(b.begin() + 43, b.begin() + 53, 255);
    PutBytes(b, 53, {250, 249, 251, 250, 249, 251, 253, 111, 201, 253, 111, 201, 254, 254});
    PutWords(b, 68, {10, 1, 3, 5, 0, 2, 4, 6, 0});
    PutBytes(b, 86, {249, 251, 250, 254, 249, 251, 250, 254});
    PutWords(b, 94, {1, 2, 0, 10, 1, 1, 1, 1, 0});
    b[112] = 1;
    PutWords(b, 114, {1, 1, 1, 1});
    b[122] = 1;
    PutU16(b, 124, 3);
    PutU16(b, 128, 2);
    PutBytes(b, 132, {192, 168, 0, 1, 255, 255, 255, 0, 0, 0, 0, 0});
    PutWords(b, 144, {502, 180, 2, 3, 2, 3, 0, 0});
    PutBytes(b, 160, {255, 255, 255, 251, 249, 255, 247, 254, 251, 249});
    PutWords(b, 170, {1, 0});
    PutBytes(b, 174, {247, 254, 247, 254, 247, 254, 252, 252, 252});
    PutBytes(b, 200, {255, 255, 255, 255, 247, 254, 254, 254, 254, 254});
    PutWords(b, 210, {1, 0});
    PutBytes(b, 240, {255, 255, 255, 255, 247, 254, 0, 0, 247, 254});
    PutWords(b, 250, {1, 0});
    PutBytes(b, 254, {247, 254, 247, 254, 247, 254});
    for (std::size_t i = 0; i < kParamCount; ++i) {
        const std::size_t e = kParamTable + i * kParamEntry;
        std::memcpy(&b[e + 3], "Name", 4);
        PutWords(b, e + 14, {10000, 0});
        b[e + 18] = 2;
        std::memcpy(&b[e + 19], "Unit", 4);
        const std::size_t r = kRangeTable + i * kRangeEntry;
        PutWords(b, r, {10000, 0});
        b[r + 4] = 2;
    }
    b[1408] = 2;
    PutWords(b, 1652, {1, 1, 1, 1, 1, 1});
    return b;
}

ConfigData::ConfigData(std::uint16_t modelCode) : image_(DefaultBody()), modelCode_(modelCode)
{
    PutU32(image_, kOffMagic, kImageMagic);
    PutU16(image_, kOffHeaderSize, static_cast<std::uint16_t>(kHeaderSize));
    PutU16(image_, kOffModelCode, modelCode);
    PutU16(image_, kOffFormatMajor, 3);
    PutU16(image_, kOffFormatMinor, 2);
}

ConfigData::~ConfigData() = default;

int ConfigData::Load(const Bytes& source)
{
    image_ = DefaultBody();
    CopyRange(image_, source, 0, kHeaderSize - 1);
    CopyCommon(image_, source);
    const int major = Major(image_), minor = Minor(image_);
    const Bytes& s = source;
    Bytes& t = image_;
    switch (major * 10 + (minor < 10 ? minor : 99)) {
    case 10:
        CopyCommunication(t, s);
        break;
    case 11:
        CopyCommunication(t, s), CopyDisplay2(t, s), ResetSymbols(t);
        break;
    case 20:
        CopyCommunication(t, s), CopyDisplay2(t, s), ResetSymbols(t), CopyBlockA(t, s);
        break;
    case 21:
        CopyCommunication(t, s), CopyDisplay2(t, s), ResetSymbols(t), CopyBlockB(t, s);
        break;
    case 22:
        CopyCommunication(t, s), CopyDisplay2(t, s), ResetSymbols(t), CopyBlockA(t, s);
        CopyBlockB(t, s), CopyBlock22(t, s);
        break;
    case 23:
        CopyCommunication(t, s), CopyDisplay2(t, s), ResetSymbols(t), CopyBlockB(t, s);
        CopyBlock22(t, s), CopyBlockC(t, s);
        break;
    case 30:
        CopyCommunication(t, s), CopyDisplay2(t, s), ResetSymbols(t), CopyParameterTable(t, s);
        break;
    case 31:
        CopyCommunication(t, s), CopyDisplay2(t, s), ResetSymbols(t), CopyParameterTable(t, s);
        CopyLanguage(t, s);
        break;
    case 32:
        CopyCommunication(t, s), CopyDisplay2(t, s), ResetSymbols(t), CopyParameterTable(t, s);
        CopyLanguage(t, s), CopyRanges(t, s);
        break;
    default:
        return -1;
    }
    return 0;
}

int ConfigData::GetImage(Bytes& out) const
{
    out = image_;
    return 0;
}

int ConfigData::ExpectedSize(int major, int minor) const { return ImageSizeOf(major, minor); }

int ConfigData::CurrentSize() const { return static_cast<int>(kImageSize); }

int ConfigData::ConvertForDevice(Bytes& target, const Bytes& source, int) const
{
    CopyCommon(target, source);
    CopyDisplay2(target, source);
    CopyBlockA(target, source);
    CopyBlockB(target, source);
    CopyBlock22(target, source);
    CopyBlockC(target, source);
    CopyParameterTable(target, source);
    CopyLanguage(target, source);
    CopyRanges(target, source);
    return 0;
}

ConfigDataQv100::ConfigDataQv100() : ConfigDataQv100(100, "QV100 Configuration") {}
ConfigDataQv100::ConfigDataQv100(std::uint16_t code, const char* title) : ConfigData(code), title_(title) {}
ConfigDataQv110::ConfigDataQv110() : ConfigDataQv100(110, "QV110 Configuration") {}
ConfigDataQv200::ConfigDataQv200() : ConfigDataQv200(200, "QV200 Configuration") {}
ConfigDataQv200::ConfigDataQv200(std::uint16_t code, const char* title) : ConfigData(code), title_(title) {}
ConfigDataQv210::ConfigDataQv210() : ConfigDataQv200(210, "QV210 Configuration") {}
ConfigDataQv200D::ConfigDataQv200D() : ConfigData(3200) {}
ConfigDataQv200W::ConfigDataQv200W() : ConfigDataQv200W(6200, "QV200W Configuration") {}
ConfigDataQv200W::ConfigDataQv200W(std::uint16_t code, const char* title) : ConfigData(code), title_(title) {}
ConfigDataQv210W::ConfigDataQv210W() : ConfigDataQv200W(6210, "QV210W Configuration") {}
ConfigDataQv200B::ConfigDataQv200B() : ConfigData(1200) {}
ConfigDataQv200E::ConfigDataQv200E() : ConfigData(4200) {}
ConfigDataQv200C::ConfigDataQv200C() : ConfigData(2200) {}

}  // namespace data
}  // namespace qvcfg
