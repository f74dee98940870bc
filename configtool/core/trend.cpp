#include "trend.h"

#include "csv_text.h"
#include "names.h"
#include "qv_com.h"
#include "save_file.h"

#include <charconv>
#include <cstdio>

namespace qvcfg {

namespace {

constexpr std::size_t kOffStatus = 0;
constexpr std::size_t kOffNameSet = 6;
constexpr std::size_t kOffSetpointMode1 = 8;
constexpr std::size_t kOffSetpointMode2 = 10;
constexpr std::size_t kOffChannels = 12;  // two 100-byte loop records
constexpr std::size_t kOffInterval = 212;
constexpr std::size_t kOffNewest = 214;
constexpr std::size_t kOffCount = 216;
constexpr std::size_t kOffSamples = 218;  // two 3208-byte loop blocks
constexpr std::size_t kSampleBlock = 3208;
constexpr std::size_t kOffStamps = 6634;

struct Stamp {
    int year, month, day, hour, minute, second;
};

Stamp StampAt(const Bytes& b, int index)
{
    const std::size_t o = kOffStamps + 16 * static_cast<std::size_t>(index);
    return {GetU16(b, o), GetU16(b, o + 2), GetU16(b, o + 6), GetU16(b, o + 8), GetU16(b, o + 10), GetU16(b, o + 12)};
}

// Ring positions of a valid image.
struct Ring {
    int count;
    int oldest;
    int newest;
    int At(int i) const { return (oldest + i) % kTrendRing; }
};

Ring RingOf(const Bytes& b)
{
    const int count = GetS16(b, kOffCount), newest = GetS16(b, kOffNewest);
    if (count <= 0) return {0, 0, 0};
    int oldest = newest - count + 1;
    if (oldest < 0) oldest += kTrendRing;
    return {count, oldest, newest};
}

std::string Format(const char* fmt, int a, int b, int c, int d, int e, int f)
{
    char buf[96];
    std::snprintf(buf, sizeof buf, fmt, a, b, c, d, e, f);
    return buf;
}

struct Channel {
    int type;
    int decimals;
    int lower, upper;
    std::string unit, tag;
};

Channel ChannelOf(const Bytes& b, int loop, int c)
{
    const std::size_t rec = kOffChannels + 100 * static_cast<std::size_t>(loop);
    const std::size_t cc = static_cast<std::size_t>(c);
    Channel ch;
    ch.type = GetU16(b, kOffSamples + kSampleBlock * static_cast<std::size_t>(loop) + 2 * cc);
    ch.decimals = GetU8(b, rec + 36 + cc);
    ch.lower = GetS16(b, rec + 84 + 4 * cc);
    ch.upper = GetS16(b, rec + 86 + 4 * cc);
    ch.unit = FieldText(b, rec + 9 * cc, 9);
    ch.tag = FieldText(b, rec + 40 + 11 * cc, 11);
    return ch;
}

bool IsFunction(int type) { return type >= 7 && type <= 10; }

std::string Value(double v, int decimals)
{
    char buf[64];
    const int precision = decimals >= 0 && decimals <= 5 ? decimals : 0;
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, precision);
    return std::string(buf, r.ptr);
}

const char* TitleOf(int model)
{
    switch (model) {
    case 1: return "QV200 Short trend data";
    case 3: return "QV210 Short trend data";
    case 4:
    case 5: return "QV200B Short trend data";
    case 6: return "QV200D Short trend data";
    case 7: return "QV200E Short trend data";
    case 9: return "QV200W Short trend data";
    case 11: return "QV210W Short trend data";
    default: return nullptr;
    }
}

}  // namespace

bool TrendImageValid(const Bytes& image)
{
    if (image.size() != kTrendImageSize) return false;
    const int count = GetS16(image, kOffCount), newest = GetS16(image, kOffNewest);
    return count >= 0 && count <= kTrendRing && newest >= 0 && newest < kTrendRing;
}

int TrendReader::Read(Bytes& image, int& model, std::string& defaultName)
{
    const int rc = com_->UploadTrend(image, model);
    if (rc == -5) return -3;
    if (rc == -2) return -2;
    if (rc < 0) return -1;
    if (!TrendImageValid(image)) return -4;
    const Stamp s = StampAt(image, RingOf(image).oldest);
    defaultName += Format("%04d%02d%02d_%02d%02d%02d", s.year, s.month, s.day, s.hour, s.minute, s.second);
    return 0;
}

namespace data {

int TrendCsvConverter::Convert(const Bytes& b, std::string& text, int model) const
{
    if (!TrendImageValid(b)) return -1;
    const bool alternate = GetU16(b, kOffNameSet) != 0;
    if (const char* title = TitleOf(model)) text += std::string(title) + "\n\n";
    const Ring ring = RingOf(b);
    const Stamp first = StampAt(b, ring.oldest), last = StampAt(b, ring.newest);
    text += std::string("Storing interval,") + StoringIntervalName(GetU16(b, kOffInterval)) + "\n";
    text += "Storing periold," +
            Format("%04d/%02d/%02d,%02d:%02d:%02d", first.year, first.month, first.day, first.hour, first.minute,
                   first.second) +
            ",-," +
            Format("%04d/%02d/%02d,%02d:%02d:%02d", last.year, last.month, last.day, last.hour, last.minute,
                   last.second) +
            "\n";
    text += "Number of samples," + std::to_string(ring.count) + "\n";
    const int status = GetU16(b, kOffStatus);
    text += std::string("Storing status,") + (status == 0 ? "Storing" : status == 1 ? "Pause" : "Previous data") +
            "\n\n";

    Channel ch[8];
    for (int i = 0; i < 8; ++i) ch[i] = ChannelOf(b, i / 4, i % 4);
    text += "Trend channel,Data type,Tag No.,Unit,Lower range,Upper range,Decimal point\n";
    for (int i = 0; i < 8; ++i) {
        const Channel& c = ch[i];
        text += "LP" + std::to_string(i / 4 + 1) + " CH" + std::to_string(i % 4 + 1) + "," +
                TrendChannelName(c.type, alternate) + ",";
        if (IsFunction(c.type)) text += CsvField(c.tag);
        text += "," + CsvField(c.unit) + "," + std::to_string(c.lower) + "," + std::to_string(c.upper) + "," +
                std::to_string(c.decimals) + "\n";
    }
    text += "\n";
    text += "Date,Time,LP1 CH1,LP1 CH2,LP1 CH3,LP1 CH4,LP2 CH1,LP2 CH2,LP2 CH3,LP2 CH4\n";
    text += ",";
    for (const auto& c : ch) text += std::string(",") + TrendChannelName(c.type, alternate);
    text += "\n,";
    for (const auto& c : ch) text += "," + (IsFunction(c.type) ? CsvField(c.tag) : std::string());
    text += "\n,";
    for (const auto& c : ch) text += "," + CsvField(c.unit);
    text += "\n";

    const int mode1 = GetU16(b, kOffSetpointMode1), mode2 = GetU16(b, kOffSetpointMode2);
    for (int i = 0; i < ring.count; ++i) {
        const int k = ring.At(i);
        const Stamp s = StampAt(b, k);
        text += Format("%d/%d/%d,%02d:%02d:%02d", s.year, s.month, s.day, s.hour, s.minute, s.second);
        for (int j = 0; j < 8; ++j) {
            const Channel& c = ch[j];
            const std::size_t loopBlock = kOffSamples + kSampleBlock * static_cast<std::size_t>(j / 4);
            const int raw = GetS16(b, loopBlock + 8 + 800 * static_cast<std::size_t>(j % 4) + 2 * static_cast<std::size_t>(k));
            int scale = 1;
            if (c.decimals >= 0 && c.decimals <= 5)
                for (int d = 0; d < c.decimals; ++d) scale *= 10;
            double value;
            if ((c.type == 3 && mode1 == 4) || (c.type == 4 && mode2 == 4)) {
                value = static_cast<double>(raw) / scale;
            } else {
                const std::int32_t v = c.lower + static_cast<std::int32_t>(
                                                      (static_cast<std::int64_t>(c.upper - c.lower) * raw) / 10000);
                value = static_cast<double>(v) / scale;
            }
            text += "," + Value(value, c.decimals);
        }
        text += "\n";
    }
    return 0;
}

}  // namespace data

int TrendWriter::Write(const Bytes& image, const std::string& path, int model) const
{
    std::string text;
    if (converter_.Convert(image, text, model) < 0) return -3;
    return SaveFile(path, ToCrLf(text));
}

}  // namespace qvcfg
