#include "palette_codes.h"

#include <algorithm>

namespace kravin::shell {

namespace {

std::vector<PaletteItem> pairs(std::initializer_list<const char*> list)
{
    std::vector<PaletteItem> out;
    for (const char* p : list) out.push_back({std::string(p + 3, 3), std::string(p, 2)});
    return out;
}

// Module codes and the names their tiles and cells show.
constexpr std::string_view kModuleCodes[][2] = {
    {"63WJ1", "63WJ-1"}, {"63WJ2", "63WJ-2"}, {"63WJ3", "63WJ-3"}, {"63WB1", "63WB-1"}, {"63WB3", "63WB-3"},
    {"63WY1", "63WY-1"}, {"TQNH2", "TQN-H2"}, {"TQNZ4", "TQN-Z4"}, {"TQNZ7", "TQN-Z7"}, {"TQNU8", "TQN-U8"},
    {"TQNB9", "TQN-B9"}, {"TQNB2", "TQN-B2"}, {"TQNW2", "TQN-W2"}, {"TQNV2", "TQN-V2"}, {"TQNK6", "TQN-K6"},
    {"TQNK9", "TQN-K9"}, {"TQNP8", "TQN-P8"}, {"TQNP3", "TQN-P3"}, {"TQGH2", "TQG-H2"}, {"TQGZ4", "TQG-Z4"},
    {"TQGZ7", "TQG-Z7"}, {"TQGU8", "TQG-U8"}, {"TQGB9", "TQG-B9"}, {"TQGB2", "TQG-B2"}, {"TQGW2", "TQG-W2"},
    {"TQGV2", "TQG-V2"}, {"TQGK9", "TQG-K9"}, {"TQGP8", "TQG-P8"}, {"TQGP3", "TQG-P3"}, {"NK-1", "TQNK-1"},
    {"NK-2", "TQNK-2"}, {"NK-3", "TQNK-3"}};

}  // namespace

const std::vector<PaletteItem>& BlockCodeTable(int table)
{
    static const std::array<std::vector<PaletteItem>, 10> tables = {
        pairs({"21 BCA", "22 ECA", "23 MVA", "24 RSA", "25 IND", "27 SCA"}),
        pairs({"31 CDI", "32 CDO", "33 CAI", "34 CAO"}),
        pairs({"17 RCL", "18 SFT", "44 QIP", "45 PAD", "46 QAM", "47 QSS", "48 QPO", "51 ADS", "52 MLT",
               "53 DVD", "54 SQR", "55 ABS", "56 NLN", "57 DRP", "59 TCP", "60 LAG", "61 2LG", "62 RMP",
               "63 MAJ", "64 RAV", "65 LED", "66 DTM", "67 DTC", "68 QNT", "70 HLL", "71 DVL", "19 OTS",
               "72 INS", "85 INE", "73 MAX", "74 MIN", "75 CTS", "86 CTE", "76 PVA", "77 DVA", "78 VRA",
               "79 PMS", "80 BCD", "81 QWT", "82 ADT", "83 AMM", "84 ITR"}),
        pairs({"49 BPS"}),
        pairs({"58 LIN", "69 PRG"}),
        pairs({"87 DCN", "88 ACP", "89 ANN", "90 TMC", "91 TMR", "92 CTR", "93 ISW"}),
        pairs({"94 SSW"}),
        pairs({"95 SEQ"}),
        pairs({"96 TLW", "97 TLP", "98 TLM", "99 TLC"}),
        {},
    };
    static const std::vector<PaletteItem> none;
    return table >= 0 && table < 10 ? tables[static_cast<std::size_t>(table)] : none;
}

const std::vector<std::string>& ExclusionListA()
{
    static const std::vector<std::string> list = {"00", "11", "31", "32", "39", "87", "89", "90",
                                                  "93", "94", "95", "96", "97", "98", "99"};
    return list;
}

const std::vector<std::string>& ExclusionListB()
{
    static const std::vector<std::string> list = {"00", "11"};
    return list;
}

std::string ModuleDisplayName(std::string_view name)
{
    for (const auto& c : kModuleCodes)
        if (c[0] == name) return std::string(c[1]);
    return std::string(name);
}

std::vector<std::pair<std::string, std::string>> ModuleDisplayNames()
{
    std::vector<std::pair<std::string, std::string>> out;
    for (const auto& c : kModuleCodes) out.emplace_back(c[0], c[1]);
    return out;
}

GroupRange TableGroups(int table)
{
    static constexpr GroupRange kRanges[] = {{2, 3},   {11, 26}, {30, 61}, {62, 69}, {72, 79},
                                             {30, 61}, {80, 80}, {81, 92}, {97, 98}, {-1, -1}};
    return table >= 0 && table < 10 ? kRanges[table] : GroupRange{};
}

std::vector<PaletteCategory> BuildCodeCategories(const std::array<std::vector<std::string>, 100>& validBlocks,
                                                 const std::vector<std::string>& exclusions)
{
    const auto excluded = [&](const std::string& code) {
        return std::find(exclusions.begin(), exclusions.end(), code) != exclusions.end();
    };
    std::vector<PaletteCategory> categories;
    std::vector<std::string> present;
    for (int t = 0; t < 10; ++t) {
        const GroupRange r = TableGroups(t);
        PaletteCategory cat;
        cat.table = t;
        cat.bitmap = kCodeCategoryBitmap + t;
        for (const PaletteItem& item : BlockCodeTable(t)) {
            if (excluded(item.code) || r.first < 0) continue;
            bool valid = false;
            for (int g = r.first; g <= r.last && !valid; ++g)
                for (const std::string& v : validBlocks[static_cast<std::size_t>(g)])
                    if (v.compare(0, 2, item.code) == 0) valid = true;
            if (!valid) continue;
            cat.items.push_back(item);
            present.push_back(item.code);
        }
        if (!cat.items.empty()) categories.push_back(std::move(cat));
    }
    PaletteCategory rest;
    rest.bitmap = kCodeCategoryBitmap + 9;
    for (const auto& group : validBlocks)
        for (const std::string& v : group) {
            if (v.size() < 5) continue;
            const std::string code = v.substr(0, 2);
            if (excluded(code) || std::find(present.begin(), present.end(), code) != present.end()) continue;
            rest.items.push_back({v.substr(2, 3), code});
            present.push_back(code);
        }
    if (!rest.items.empty()) categories.push_back(std::move(rest));
    if (categories.empty()) categories.push_back({});
    return categories;
}

}  // namespace kravin::shell
