#include "upload_model.h"

#include "KRAVinA.h"

#include <cstring>

namespace kravin::online {

namespace {

std::string field(const char* text, std::size_t width) { return std::string(text, ::strnlen(text, width)); }

}  // namespace

std::optional<UploadModelInfo> DescribeUploadModel(const model::CardKindMasters& masters, const std::string& tableFolder,
                                                   const std::string& modelName, const std::string& version)
{
    std::string m = modelName.substr(0, 8);
    m.resize(8, ' ');
    UploadModelInfo info;
    bool any = false;
    for (int g = 0; g < 100; ++g) {
        char list[KRAVINA_GROUP_BUFFER_SIZE] = {};
        const int n = KRAVinA_Valid_Block_Get(g == 0 ? 1 : 0, m.c_str(), version.c_str(), g, list, tableFolder.c_str());
        if (n < 0 && g == 0) return std::nullopt;
        for (int i = 0; i < n && i < KRAVINA_GROUP_CODES_MAX; ++i) {
            const std::string code(list + i * KRAVINA_BLOCK_CODE_SIZE, KRAVINA_BLOCK_CODE_SIZE);
            if (code[0] == '\0') break;
            info.validCodes[static_cast<std::size_t>(g)].push_back(code);
            any = true;
        }
    }
    if (!any) return std::nullopt;
    // The versions to try for a block's definition: the unit's, then the kind's others.
    std::vector<std::string> versions{version};
    const int kind = masters.card.find(m);
    if (kind > 0)
        for (const std::string& v : masters.card.versions[static_cast<std::size_t>(kind)])
            if (!v.empty() && v != version) versions.push_back(v);
    for (const auto& codes : info.validCodes) {
        for (const std::string& code : codes) {
            if (info.blocks.count(code)) continue;
            const std::string id = code.substr(2, 3);
            bool selected = false;
            for (const std::string& v : versions)
                if (KRAVinA_Block_Inf_Select(m.c_str(), v.c_str(), id.c_str(), tableFolder.c_str()) == 0) {
                    selected = true;
                    break;
                }
            if (!selected) continue;
            std::array<UploadItemDef, 100> def;
            for (int i = 0; i < 100; ++i) {
                char type[KRAVINA_DEF_TYPE_SIZE] = {};
                char name[KRAVINA_DEF_NAME_SIZE] = {};
                char range[KRAVINA_DEF_RANGE_SIZE] = {};
                KRAVinA_Block_Inf_Get(0, i, type, name, nullptr, nullptr, nullptr, range, nullptr);
                def[static_cast<std::size_t>(i)] = {field(type, sizeof type), field(name, sizeof name),
                                                    field(range, sizeof range)};
            }
            info.blocks.emplace(code, def);
        }
    }
    return info;
}

}  // namespace kravin::online
