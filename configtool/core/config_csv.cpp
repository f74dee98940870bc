// CSV export of the configuration image, one text per controller model.
#include "config_data.h"
#include "csv_text.h"
#include "names.h"

#include <array>
#include <string>

namespace qvcfg {

namespace {

struct Code {
    int code;
    const char* text;
};

const char* Lookup(std::initializer_list<Code> table, int code)
{
    for (const auto& e : table)
        if (e.code == code) return e.text;
    return "";
}

constexpr std::array<int, 18> kPalette = {249, 190, 198, 251, 250, 226, 2, 254, 229, 252, 4, 111, 253, 201, 247, 255, 125, 1};

std::string Colour(std::uint8_t byte)
{
    for (std::size_t i = 0; i < kPalette.size(); ++i)
        if (kPalette[i] == byte) return std::to_string(i + 1);
    return "1";
}

const char* Switch(int v) { return Lookup({{0, "Disable"}, {1, "Enable"}}, v); }
const char* OnOff(int v) { return Lookup({{0, "OFF"}, {1, "ON"}}, v); }
const char* Show(int v) { return Lookup({{0, jp::kShow}, {1, jp::kHide}}, v); }

const char* MvSymbol(int v, bool fullTable)
{
    static constexpr const char* kNames[] = {"O", "C", "OP", "CL", "HI", "LO", "100", "0", "Max", "Min", "None"};
    const int count = fullTable ? 11 : 4;
    return v >= 0 && v < count ? kNames[v] : "";
}

// Reads the image held by a model object and writes the rows of its CSV text.
class Export {
public:
    Export(const Bytes& image, std::uint16_t modelCode, std::string& out)
        : b_(image), code_(modelCode), out_(out), major_(GetU16(image, kOffFormatMajor)),
          minor_(GetU16(image, kOffFormatMinor)), alt_(GetU16(image, 98) == 1)
    {
    }

    void Head(const char* title)
    {
        int lcdMajor = GetU16(b_, kOffLcdMajor), lcdMinor = GetU16(b_, kOffLcdMinorTimesTen) / 10;
        if (major_ == 1 && minor_ == 0) lcdMajor = 1, lcdMinor = 0;
        out_ += std::string(title) + ",LCD Ver. " + std::to_string(lcdMajor) + "." + std::to_string(lcdMinor) +
                "x\n\nGroup,Item,Data\n";
    }

    void Display()
    {
        const char* sp = alt_ ? "SV" : "SP";
        const char* mv = alt_ ? "OP" : "MV";
        Row("Back light brightness", "", Lookup({{0, "1"}, {1, "2"}, {2, "3"}, {3, "4"}, {4, "5"}}, W(40)));
        Row("Screen saver (time)", "", std::to_string(b_[42]), "min (0=OFF)");
        const bool v10 = major_ == 1 && minor_ == 0;
        const std::size_t symbols = v10 ? 32 : 148;
        for (int i = 0; i < 4; ++i) {
            const std::string item = "MV" + std::to_string(i / 2 + 1) + (i % 2 ? " 0% symbol" : " 100% symbol");
            Row(i == 0 ? "MV 0/100% symbol" : "", item, MvSymbol(W(symbols + 2 * i), !v10));
        }
        Row("Loop display (MV/OP)", "LP1 display (MV)", Lookup({{1, "1"}, {2, "2"}}, W(94)));
        Row("", "LP2 display (MV)", Lookup({{1, "1"}, {2, "2"}}, W(96)));
        Row("Loop variables", "", Lookup({{0, "PV/SP/MV"}, {1, "SV/PV/OP"}}, W(98)));
        const int div = W(100);
        Row("Graph scale divisions", "", div >= 2 && div <= 10 ? std::to_string(div) : "");
        Row("Decimals (% display)", "", Lookup({{1, "1"}, {2, "2"}}, W(102)));
        Row("Alarm blinking", "", Switch(W(104)));
        if (major_ == 2) FunctionBlock();
        struct Bar {
            const char* name;
            int loop;
            const char* kind;
            std::size_t off;
        };
        const Bar bars[] = {
            {"PV", 1, " Normal", 53}, {"PV", 1, " Hi limit", 54}, {"PV", 1, " Lo limit", 55},
            {"PV", 2, " Normal", 56}, {"PV", 2, " Hi limit", 57}, {"PV", 2, " Lo limit", 58},
            {sp, 1, " Normal", 65},   {sp, 2, " Normal", 66},     {mv, 1, " Normal", 59},
            {mv, 1, " Hi limit", 60}, {mv, 1, " Lo limit", 61},   {mv, 2, " Normal", 62},
            {mv, 2, " Hi limit", 63}, {mv, 2, " Lo limit", 64},
        };
        bool first = true;
        for (const auto& bar : bars) {
            Row(first ? "Bargraph color" : "", bar.name + std::to_string(bar.loop) + bar.kind, Colour(b_[bar.off]));
            first = false;
        }
        const char* digital[] = {"PV", "PV", sp, sp, mv, mv, "FN", "FN", "FN", "FN"};
        const int digitalNo[] = {1, 2, 1, 2, 1, 2, 1, 2, 3, 4};
        for (int i = 0; i < 10; ++i)
            Row(i == 0 ? "Digital display color" : "", digital[i] + std::to_string(digitalNo[i]), Colour(b_[43 + i]));
        Row("Trend recording", "", Lookup({{0, "Stop"}, {1, "Start"}}, W(106)));
        Row("Storing interval", "", StoringIntervalName(W(68)));
        for (int i = 0; i < 8; ++i)
            Row(i == 0 ? "Trend channel" : "", Channel(i), TrendChannelName(W(70 + 2 * i), alt_));
        for (int i = 0; i < 8; ++i) Row(i == 0 ? "Trend graph color" : "", Channel(i), Colour(b_[86 + i]));
        if (major_ >= 3) Row("Selected loop color", "", Colour(b_[1408]));
        Row("Touch tone", "", Switch(W(108)));
        Row("Registered view", "Home", HomeViewName(W(HomeViewOffset())));
        Row("Registered loop number", "", std::to_string(b_[112]));
        Row("Select operation view", "Digital", Switch(W(114)));
        Row("", "Bargraph", Switch(W(116)));
        Row("", "Dual-loop bargraph", Switch(W(118)));
        Row("", "Short trend", Switch(W(120)));
        if (AtLeast(major_, minor_, 3, 2)) Row("", "User's parameter table", Switch(W(1652)));
        if (major_ == 2) {
            const std::size_t off = minor_ == 1 ? 210 : minor_ == 3 ? 250 : 170;
            Row("", FunctionViewName(), Switch(W(off)));
        }
        if (AtLeast(major_, minor_, 1, 1)) {
            const auto mode = [](int v) { return Lookup({{0, "Selectable"}, {1, "Eng unit"}, {2, "%"}}, v); };
            Row("Select unit mode", "Digital", mode(W(156)));
            Row("", "Bargraph", mode(W(158)));
        }
    }

    void NumericalKeys()
    {
        if (!AtLeast(major_, minor_, 3, 2)) return;
        Row("PRG mode indicator", "", OnOff(W(1654)));
        const char* sp = alt_ ? "SV" : "SP";
        const char* mv = alt_ ? "OP" : "MV";
        Row("Numerical key control", std::string(sp) + "1", Switch(W(1656)));
        Row("", std::string(mv) + "1", Switch(W(1658)));
        Row("", std::string(sp) + "2", Switch(W(1660)));
        Row("", std::string(mv) + "2", Switch(W(1662)));
    }

    void PrgModeIndicator()
    {
        if (major_ == 2 && minor_ > 1) Row("PRG mode indicator", "", OnOff(W(1654)));
    }

    void Language()
    {
        if (AtLeast(major_, minor_, 3, 1)) Row("Language", "", Lookup({{0, "Japanese"}, {1, "English"}}, W(1410)));
    }

    void Network()
    {
        Row("Modbus-RTU", "Node address", std::to_string(b_[122]));
        Row("", "Transfer rate", Lookup({{0, "4800"}, {1, "9600"}, {2, "19200"}, {3, "38400"}}, W(124)), "bps");
        Row("", "Data bit (8 bit)", "8", "bit");
        Row("", "Parity", Lookup({{0, "None"}, {1, "Even"}, {2, "Odd"}}, W(128)));
        Row("Modbus/TCP", "IP address", Address(132));
        Row("", "Subnet mask", Address(136));
        const int lcdMajor = W(kOffLcdMajor);
        if (code_ == 1200 ? lcdMajor > 2 : lcdMajor > 1) Row("", "Default gateway", Address(140));
        Row("", "Port No. (502 fixed)", std::to_string(W(144)));
        Row("", "Linger time", std::to_string(W(146)), "sec");
    }

    void ParameterTable()
    {
        if (major_ < 3) return;
        const bool ranges = AtLeast(major_, minor_, 3, 2);
        out_ += ranges ? "User's parameter table,Setting,Parameter,GROUP,ITEM,Range Hi limit,Range Lo limit,"
                         "Decimal place,Engineering unit,DATA Hi limit,DATA Lo limit,DATA decimal place\n"
                       : "User's parameter table,Setting,Parameter,GROUP,ITEM,DATA Hi limit,DATA Lo limit,"
                         "DATA decimal place,DATA engineering unit\n";
        for (std::size_t i = 0; i < 40; ++i) {
            const std::size_t e = 288 + 28 * i;
            const std::size_t r = 1412 + 6 * i;
            std::string line = ",";
            line += Switch(b_[e]);
            line += "," + CsvField(FieldText(b_, e + 3, 11));
            line += "," + TwoDigits(b_[e + 1]) + "," + TwoDigits(b_[e + 2]);
            const std::string data = std::to_string(GetS16(b_, e + 14)) + "," + std::to_string(GetS16(b_, e + 16)) +
                                     "," + std::to_string(static_cast<std::int8_t>(b_[e + 18]));
            const std::string unit = CsvField(FieldText(b_, e + 19, 8));
            if (ranges)
                line += "," + std::to_string(GetS16(b_, r)) + "," + std::to_string(GetS16(b_, r + 2)) + "," +
                        std::to_string(static_cast<std::int8_t>(b_[r + 4])) + "," + unit + "," + data;
            else
                line += "," + data + "," + unit;
            out_ += line + "\n";
        }
    }

private:
    int W(std::size_t off) const { return GetU16(b_, off); }

    void Row(const std::string& group, const std::string& item, const std::string& data)
    {
        out_ += group + "," + item + "," + data + "\n";
    }
    void Row(const std::string& group, const std::string& item, const std::string& data, const char* unit)
    {
        out_ += group + "," + item + "," + data + "," + unit + "\n";
    }

    static std::string Channel(int i) { return "LP" + std::to_string(i / 4 + 1) + " CH" + std::to_string(i % 4 + 1); }

    static std::string TwoDigits(int v)
    {
        std::string s = std::to_string(v);
        return s.size() < 2 ? "0" + s : s;
    }

    std::string Address(std::size_t off) const
    {
        return std::to_string(b_[off]) + "." + std::to_string(b_[off + 1]) + "." + std::to_string(b_[off + 2]) +
               "." + std::to_string(b_[off + 3]);
    }

    // The function view of home view code 4 under format major 2.
    std::string FunctionViewName() const
    {
        if (minor_ == 3) return jp::kTotalView;
        if (minor_ == 2 && code_ == 2200) return jp::kMixView;
        return jp::kPulseView;
    }

    std::size_t HomeViewOffset() const
    {
        if (major_ != 2) return 110;
        if (minor_ == 3) return 252;
        if (minor_ == 1 || (minor_ == 2 && code_ == 2200)) return 212;
        return 172;
    }

    std::string HomeViewName(int code) const
    {
        switch (code) {
        case 1: return "Bargraph";
        case 2: return "Dual-loop bargraph";
        case 3: return "Short trend";
        case 4: return major_ == 2 ? FunctionViewName() : "User's parameter table";
        case 5: return major_ == 2 ? jp::kSettingMenu : "User's parameter table";
        case 6: return jp::kProgramming;
        case 7: return jp::kTuning;
        default: return "Digital";
        }
    }

    void ColourRow(const char* group, const std::string& item, std::size_t off, bool& first)
    {
        Row(first ? group : "", item, Colour(b_[off]));
        first = false;
    }
    void ShowRow(const char* group, const std::string& item, std::size_t off, bool& first)
    {
        Row(first ? group : "", item, Show(b_[off]));
        first = false;
    }

    void FunctionBlock()
    {
        using namespace jp;
        const std::string f1 = std::string("F1'") + kInstant, f2 = std::string("F2'") + kInstant;
        const std::string resetStatus = std::string(kTotalReset) + kStatus;
        const std::string releaseStatus = std::string(kTotalReset) + kRelease + kStatus;
        const std::string sw[3] = {std::string(kSwitch1) + kStatus, std::string(kSwitch2) + kStatus,
                                   std::string(kSwitch3) + kStatus};
        if ((major_ == 2 && minor_ == 0) || (minor_ == 2 && code_ == 1200)) {
            bool first = true;
            const char* g = kPulseColours;
            ColourRow(g, f1, 160, first);
            ColourRow(g, f2, 161, first);
            ColourRow(g, std::string(kTotal) + " Normal", 162, first);
            ColourRow(g, std::string(kTotal) + kPreBatch, 163, first);
            ColourRow(g, std::string(kTotal) + kBatchEnd, 164, first);
            ColourRow(g, kBatchEndValue, 165, first);
            ColourRow(g, resetStatus, 166, first);
            ColourRow(g, releaseStatus, 167, first);
            ColourRow(g, std::string(kPreBatch) + kStatus, 168, first);
            ColourRow(g, std::string(kBatchEnd) + kStatus, 169, first);
            for (int i = 0; i < 3; ++i) {
                ColourRow(g, sw[i] + "OFF", 174 + 2 * i, first);
                ColourRow(g, sw[i] + "ON", 175 + 2 * i, first);
            }
            first = true;
            g = kBatchScreen;
            ShowRow(g, f1, 183, first);
            ShowRow(g, f2, 184, first);
            ShowRow(g, kTotal, 185, first);
            ShowRow(g, kBatchEndValue, 186, first);
            ShowRow(g, resetStatus, 187, first);
            ShowRow(g, std::string(kPreBatch) + kStatus, 188, first);
            ShowRow(g, std::string(kBatchEnd) + kStatus, 189, first);
            for (int i = 0; i < 3; ++i) ShowRow(g, sw[i], 190 + i, first);
        }
        const auto paren = [](const char* a, const char* b) { return std::string(a) + "(" + b + ")"; };
        if ((minor_ == 1 && code_ == 1200) || (minor_ == 2 && code_ == 2200)) {
            bool first = true;
            const char* g = kMixColours;
            ColourRow(g, kInstant, 200, first);
            ColourRow(g, kTotalDeviation, 201, first);
            ColourRow(g, kRatio, 202, first);
            ColourRow(g, kTotal, 203, first);
            ColourRow(g, resetStatus, 204, first);
            ColourRow(g, releaseStatus, 205, first);
            ColourRow(g, paren(kInstantSelect, kMeasuredFlow), 206, first);
            ColourRow(g, paren(kInstantSelect, kSetFlow), 207, first);
            ColourRow(g, paren(kTotalSelect, kSum), 208, first);
            ColourRow(g, paren(kTotalSelect, kGrandTotal), 209, first);
            first = true;
            g = kMixScreen;
            ShowRow(g, kInstant, 214, first);
            ShowRow(g, kTotalDeviation, 215, first);
            ShowRow(g, kRatio, 216, first);
            ShowRow(g, kTotal, 217, first);
            ShowRow(g, resetStatus, 218, first);
            ShowRow(g, kInstantSelect, 219, first);
            ShowRow(g, kTotalSelect, 220, first);
            ShowRow(g, kMvShow, 221, first);
        }
        if (minor_ == 3) {
            bool first = true;
            const char* g = kTotalColours;
            ColourRow(g, f1, 240, first);
            ColourRow(g, f2, 241, first);
            ColourRow(g, std::string(kTotal) + " Normal", 242, first);
            ColourRow(g, resetStatus, 244, first);
            ColourRow(g, releaseStatus, 245, first);
            ColourRow(g, paren(kTotalSelect, kSum), 248, first);
            ColourRow(g, paren(kTotalSelect, kGrandTotal), 249, first);
            for (int i = 0; i < 3; ++i) {
                ColourRow(g, sw[i] + "OFF", 254 + 2 * i, first);
                ColourRow(g, sw[i] + "ON", 255 + 2 * i, first);
            }
            first = true;
            g = kTotalScreen;
            ShowRow(g, f1, 260, first);
            ShowRow(g, f2, 261, first);
            ShowRow(g, kTotal, 262, first);
            ShowRow(g, resetStatus, 264, first);
            ShowRow(g, kTotalSelect, 266, first);
            for (int i = 0; i < 3; ++i) ShowRow(g, sw[i], 267 + i, first);
        }
    }

    const Bytes& b_;
    std::uint16_t code_;
    std::string& out_;
    int major_, minor_;
    bool alt_;
};

}  // namespace

const char* StoringIntervalName(int seconds)
{
    return Lookup({{1, "1 sec"},
                   {2, "2 sec"},
                   {5, "5 sec"},
                   {10, "10 sec"},
                   {20, "20 sec"},
                   {30, "30 sec"},
                   {60, "1 min"},
                   {120, "2 min"},
                   {300, "5 min"},
                   {600, "10 min"},
                   {1800, "30 min"},
                   {3600, "60 min"}},
                  seconds);
}

const char* TrendChannelName(int code, bool alternate)
{
    static constexpr const char* kNames[] = {"None", "PV1", "PV2", "SP1", "SP2", "MV1", "MV2", "FN1", "FN2", "FN3", "FN4"};
    static constexpr const char* kAlternate[] = {"None", "PV1", "PV2", "SV1", "SV2", "OP1", "OP2", "FN1", "FN2", "FN3", "FN4"};
    if (code < 0 || code > 10) return "";
    return alternate ? kAlternate[code] : kNames[code];
}

namespace data {

// QV100, QV110: no network.
int ConfigDataQv100::ExportCsv(std::string& text) const
{
    Export e(image_, ModelCode(), text);
    e.Head(title_), e.Display(), e.NumericalKeys(), e.Language(), e.ParameterTable();
    return 0;
}

namespace {
void ExportFull(const Bytes& image, std::uint16_t code, const char* title, std::string& text)
{
    Export e(image, code, text);
    e.Head(title), e.Display(), e.NumericalKeys(), e.Network(), e.Language(), e.ParameterTable();
}
void ExportWithPrg(const Bytes& image, std::uint16_t code, const char* title, std::string& text)
{
    Export e(image, code, text);
    e.Head(title), e.Display(), e.PrgModeIndicator(), e.Network();
}
}  // namespace

int ConfigDataQv200::ExportCsv(std::string& text) const
{
    ExportFull(image_, ModelCode(), title_, text);
    return 0;
}

int ConfigDataQv200D::ExportCsv(std::string& text) const
{
    ExportFull(image_, ModelCode(), "QV200D Configuration", text);
    return 0;
}

int ConfigDataQv200W::ExportCsv(std::string& text) const
{
    ExportFull(image_, ModelCode(), title_, text);
    return 0;
}

int ConfigDataQv200B::ExportCsv(std::string& text) const
{
    ExportWithPrg(image_, ModelCode(), "QV200B Configuration", text);
    return 0;
}

int ConfigDataQv200E::ExportCsv(std::string& text) const
{
    ExportWithPrg(image_, ModelCode(), "QV200E Configuration", text);
    return 0;
}

int ConfigDataQv200C::ExportCsv(std::string& text) const
{
    Export e(image_, ModelCode(), text);
    e.Head("QV200C Configuration"), e.Display(), e.Network();
    return 0;
}

}  // namespace data
}  // namespace qvcfg
