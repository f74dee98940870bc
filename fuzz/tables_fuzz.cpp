// Master table parsers and the definition-line splitter over arbitrary text.
// The first byte picks the parser; the rest is the table text.
#include "mastertables.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace kravina::tables;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    const std::uint8_t pick = data[0];
    const std::string raw(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::string text = textMode(raw);

    switch (pick % 8) {
    case 0: {
        const int n = countKindSections(text);
        for (int i = 0; i <= n && i < 130; ++i) {
            if (auto s = kindSection(text, i)) {
                if (s->name.size() != 8) std::abort();
                for (const auto& v : s->versions)
                    if (v.size() != 4) std::abort();
            }
        }
        break;
    }
    case 1: {
        static GroupTable table;
        table.clear();
        parseValidBlocks(text, table);
        for (int c : table.count)
            if (c < 0) std::abort();
        break;
    }
    case 2: {
        static DefinitionTables tables;
        tables.clear();
        blockName(text);
        parseDefinition(text, tables);
        for (const auto& line : tables.lines) {
            splitDefinitionLine(line, false);
            splitDefinitionLine(line, true);
        }
        break;
    }
    case 3:
        for (int n = 0; n < 8; ++n) splitField(text, ",= \t", n);
        countMasterLines(text);
        break;
    case 4: {
        std::vector<std::string> names;
        const int id = pick / 8;
        fieldNames(text, id, 16, names);
        if (names.size() > 16) std::abort();
        for (const auto& name : names)
            if (name.size() != 8) std::abort();
        break;
    }
    case 5:
        irCardListed(text, std::string_view(raw).substr(0, raw.size() < 8 ? raw.size() : 8));
        break;
    case 6:
        if (auto b = backupInfo(text)) {
            if (b->name.size() != 8 || b->code.size() != 4) std::abort();
        }
        break;
    default: {
        // Names built from hostile model, version and code texts never leave their folder.
        const std::string model = raw.substr(0, raw.size() < 12 ? raw.size() : 12);
        const std::string version = raw.size() > 12 ? raw.substr(12, 6) : "";
        const std::string code = raw.size() > 18 ? raw.substr(18, 4) : "";
        for (const auto& name : {validBlockFile(model.c_str(), version.c_str()),
                                 definitionFile(model.c_str(), version.c_str(), code.c_str())}) {
            if (!name) continue;
            if (name->empty() || name->front() == '/') std::abort();
            std::size_t start = 0;
            while (start <= name->size()) {
                const std::size_t end = std::min(name->find('/', start), name->size());
                const std::string_view part(name->data() + start, end - start);
                if (part.empty() || part == "." || part == "..") std::abort();
                start = end + 1;
            }
        }
        break;
    }
    }
    return 0;
}
