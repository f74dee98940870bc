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

}  // namespace kravin::shell
