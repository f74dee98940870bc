// The texts of KRAVinB by id, in English and Japanese, with a small checked
// formatter (%s, %d, %4d, %02d and %%).
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace kravinb {

enum class Language { English, Japanese };
using TextArg = std::variant<std::int64_t, std::string>;
using TextArgs = std::vector<TextArg>;

// Raw UTF-8 text of id, nullptr when unknown.
const char* LookupText(int id, Language language);
// The text with its arguments; a mismatch shows the raw text and "#id" when unknown.
std::string FormatText(int id, Language language, const TextArgs& args = {});
// Every id, ascending (checks of the table).
std::vector<int> AllTextIds();

}  // namespace kravinb
