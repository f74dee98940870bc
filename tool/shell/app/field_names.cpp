#include "field_names.h"

#include <algorithm>
#include <cstring>

namespace kravin::shell {

void fillFieldNameTable(FieldNameTable& table, const FieldNameSource& source)
{
    for (int id = 0; id < kFieldNameGroups; ++id) {
        FieldNameGroup& group = table[id];
        group = FieldNameGroup{};
        const std::string text = source ? source(id) : std::string();
        const std::size_t length = std::min(std::strlen(text.c_str()), text.size());
        group.count = static_cast<int>(std::min<std::size_t>(length / kFieldNameWidth, kFieldNamesPerGroup));
        for (int i = 0; i < group.count; ++i)
            std::memcpy(group.names[i].data(), text.data() + i * kFieldNameWidth, kFieldNameWidth);
    }
}

std::array<std::vector<std::string>, kFieldNameGroups> FieldNamesByGroup(const FieldNameTable& table)
{
    std::array<std::vector<std::string>, kFieldNameGroups> out;
    for (std::size_t id = 0; id < table.size(); ++id)
        for (int k = 0; k < table[id].count && k < kFieldNamesPerGroup; ++k)
            out[id].emplace_back(table[id].names[static_cast<std::size_t>(k)].data());
    return out;
}

}  // namespace kravin::shell
