#include "qv_com.h"
#include "temp_dir.h"
#include "trend.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

namespace qvcfg::test {
namespace {

// A trend image: every channel of type `type`, range 0..1000 with one decimal, sample k
// of every channel holding k, stamp k at 2009-03-05 07:08:09 plus k minutes.
Bytes Trend(int count, int newest, int type = 1)
{
    Bytes b(kTrendImageSize, 0);
    PutU16(b, 212, 10);
    PutU16(b, 214, static_cast<std::uint16_t>(newest));
    PutU16(b, 216, static_cast<std::uint16_t>(count));
    for (std::size_t loop = 0; loop < 2; ++loop) {
        for (std::size_t c = 0; c < 4; ++c) {
            const std::size_t rec = 12 + 100 * loop;
            b[rec + 36 + c] = 1;
            PutU16(b, rec + 86 + 4 * c, 1000);
            PutU16(b, 218 + 3208 * loop + 2 * c, static_cast<std::uint16_t>(type));
            for (std::size_t k = 0; k < 400; ++k) PutU16(b, 218 + 3208 * loop + 8 + 800 * c + 2 * k, static_cast<std::uint16_t>(k));
        }
    }
    for (std::size_t k = 0; k < 400; ++k) {
        const std::size_t o = 6634 + 16 * k;
        PutU16(b, o, 2009), PutU16(b, o + 2, 3), PutU16(b, o + 6, 5);
        PutU16(b, o + 8, static_cast<std::uint16_t>(7 + (8 + k) / 60));
        PutU16(b, o + 10, static_cast<std::uint16_t>((8 + k) % 60));
        PutU16(b, o + 12, 9);
    }
    return b;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

std::string Convert(const Bytes& image, int model = 1)
{
    std::string text;
    EXPECT_EQ(data::TrendCsvConverter().Convert(image, text, model), 0);
    return text;
}

// The first data line follows the 1 title, 1 blank, 4 information, 1 blank, 9 channel,
// 1 blank and 4 column-head lines.
constexpr std::size_t kFirstData = 2 + 5 + 10 + 4;

TEST(TrendCsv, RingOrderRunsFromTheOldestSample)
{
    const auto lines = Lines(Convert(Trend(400, 10)));
    ASSERT_EQ(lines.size(), kFirstData + 400);
    EXPECT_EQ(lines[0], "QV200 Short trend data");
    EXPECT_EQ(lines[3], "Storing periold,2009/03/05,07:19:09,-,2009/03/05,07:18:09");
    EXPECT_EQ(lines[4], "Number of samples,400");
    // Sample k holds k, so its value 1000 * k / 10000 shows which ring index it came from.
    EXPECT_EQ(lines[kFirstData], "2009/3/5,07:19:09,0.1,0.1,0.1,0.1,0.1,0.1,0.1,0.1");
    EXPECT_EQ(lines[kFirstData + 388].substr(0, 22), "2009/3/5,13:47:09,3.9,");
    EXPECT_EQ(lines[kFirstData + 389].substr(0, 20), "2009/3/5,07:08:09,0.");
    EXPECT_EQ(lines.back().substr(0, 21), "2009/3/5,07:18:09,0.1");
}

TEST(TrendCsv, NoSamples)
{
    const auto lines = Lines(Convert(Trend(0, 17), 3));
    ASSERT_EQ(lines.size(), kFirstData);
    EXPECT_EQ(lines[0], "QV210 Short trend data");
    EXPECT_EQ(lines[3], "Storing periold,2009/03/05,07:08:09,-,2009/03/05,07:08:09");
    EXPECT_EQ(lines[4], "Number of samples,0");
}

TEST(TrendCsv, OutOfRangeRingFieldsAreIllegal)
{
    std::string text;
    data::TrendCsvConverter conv;
    for (const Bytes& bad : {Trend(401, 10), Trend(-1, 10), Trend(10, 400), Trend(10, -1)}) {
        EXPECT_EQ(conv.Convert(bad, text, 1), -1);
        EXPECT_FALSE(TrendImageValid(bad));
    }
    Bytes shorter = Trend(1, 0), longer = Trend(1, 0);
    shorter.pop_back();
    longer.push_back(0);
    EXPECT_EQ(conv.Convert(shorter, text, 1), -1);
    EXPECT_EQ(conv.Convert(longer, text, 1), -1);
    EXPECT_TRUE(text.empty());
}

TEST(TrendCsv, Scaling)
{
    struct Case {
        int type, decimals, lower, upper, mode1, raw;
        const char* printed;
    };
    const Case cases[] = {
        {1, 1, 0, 1000, 0, 5000, "50.0"},   {1, 1, 0, 1000, 0, -1, "0.0"},   {1, 1, 0, 1000, 0, 10000, "100.0"},
        {3, 2, -500, 500, 4, 1234, "12.34"}, {3, 2, 0, 1000, 0, 1234, "1.23"}, {1, 7, 0, 1000, 0, 5000, "500"},
        {1, 0, -32768, 32767, 0, 32767, "181970"}, {1, 5, 0, 20000, 0, 3, "0.00006"},
    };
    for (const Case& c : cases) {
        Bytes b = Trend(1, 0, c.type);
        b[12 + 36] = static_cast<std::uint8_t>(c.decimals);
        PutU16(b, 12 + 84, static_cast<std::uint16_t>(c.lower));
        PutU16(b, 12 + 86, static_cast<std::uint16_t>(c.upper));
        PutU16(b, 8, static_cast<std::uint16_t>(c.mode1));
        PutU16(b, 218 + 8, static_cast<std::uint16_t>(c.raw));
        const auto lines = Lines(Convert(b));
        ASSERT_EQ(lines.size(), kFirstData + 1);
        EXPECT_EQ(lines.back().substr(0, lines.back().find(',', 18)), std::string("2009/3/5,07:08:09,") + c.printed)
            << c.raw;
    }
}

TEST(TrendCsv, HeadLinesAndTexts)
{
    Bytes b = Trend(1, 0, 7);
    PutU16(b, 212, 15);
    PutU16(b, 0, 2);
    PutU16(b, 6, 1);
    PutU16(b, 218 + 2, 3);                          // loop 1 channel 2: SV1
    std::memcpy(&b[12 + 40], "TAG,1234567", 11);    // no terminator, a comma
    std::memcpy(&b[12], "deg\"C1234", 9);
    const auto lines = Lines(Convert(b, 5));
    EXPECT_EQ(lines[0], "QV200B Short trend data");
    EXPECT_EQ(lines[2], "Storing interval,");
    EXPECT_EQ(lines[5], "Storing status,Previous data");
    EXPECT_EQ(lines[8], "LP1 CH1,FN1,\"TAG,1234567\",\"deg\"\"C1234\",0,1000,1");
    EXPECT_EQ(lines[9], "LP1 CH2,SV1,,,0,1000,1");
    EXPECT_EQ(lines[18].substr(0, 17), ",,FN1,SV1,FN1,FN1");
    // No title for the models without short trend.
    EXPECT_EQ(Lines(Convert(b, 2))[0], "Storing interval,");
}

class FakeCom : public QVCom {
public:
    Bytes image;
    int result = 0;
    int model = 1;
    int UploadTrend(Bytes& out, int& m) override
    {
        out = image;
        m = model;
        return result;
    }
};

TEST(TrendReader, CodesAndDefaultName)
{
    FakeCom com;
    TrendReader reader(&com);
    Bytes image;
    int model = 0;
    std::string name;
    com.image = Trend(400, 399);
    ASSERT_EQ(reader.Read(image, model, name), 0);
    EXPECT_EQ(name, "20090305_070809");
    EXPECT_EQ(model, 1);

    struct Case {
        int comResult;
        Bytes image;
        int result;
    };
    Bytes shorter = Trend(1, 0);
    shorter.pop_back();
    for (const Case& c : {Case{-5, {}, -3}, Case{-2, {}, -2}, Case{-1, {}, -1}, Case{0, shorter, -4},
                          Case{0, {}, -4}, Case{0, Trend(401, 10), -4}}) {
        com.result = c.comResult;
        com.image = c.image;
        name.clear();
        EXPECT_EQ(reader.Read(image, model, name), c.result) << c.comResult;
        EXPECT_TRUE(name.empty());
    }
}

TEST(TrendWriter, WritesCrLfAndRefusesBadImages)
{
    kravin::test::TempDir dir;
    TrendWriter writer;
    ASSERT_EQ(writer.Write(Trend(2, 1), dir / "t.csv", 7), 0);
    const auto bytes = kravin::test::readBytes(dir / "t.csv");
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_EQ(text.rfind("QV200E Short trend data\r\n\r\nStoring interval,10 sec\r\n", 0), 0u);
    EXPECT_EQ(writer.Write(Trend(401, 1), dir / "bad.csv", 7), -3);
    EXPECT_FALSE(std::filesystem::exists(dir / "bad.csv"));
    EXPECT_EQ(writer.Write(Trend(2, 1), dir / "no/such/folder/t.csv", 7), -1);
}

}  // namespace
}  // namespace qvcfg::test
