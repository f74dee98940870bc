// The tool's message texts: one table keyed by the string ids, in English and
// Japanese (UTF-8), read through one lookup function and one checked formatter.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

class QString;

namespace kravin::res {

enum class Language { English, Japanese };

// One argument of a message: an integer for %d / %02d, UTF-8 text for %s.
using MessageArg = std::variant<std::int64_t, std::string>;
using MessageArgs = std::vector<MessageArg>;

// Raw UTF-8 text of the id (its conversions unformatted); nullptr for an unknown id.
const char* lookup(int id, Language language);

// The id's text with its conversions filled in. Only "%d", "%02d", "%s" and "%%"
// are understood; the arguments must match the entry's conversions in number and
// kind, else (or for an unknown id) nothing.
std::optional<std::string> format(int id, Language language, const MessageArgs& args);

// format() that always gives something to show: a mismatch or an unknown id
// gives the raw text or "#<id>" followed by the arguments.
std::string message(int id, Language language, const MessageArgs& args = {});

// The same, as a QString.
QString qmessage(int id, Language language, const MessageArgs& args = {});

// Checks a text against the argument kinds: true when every conversion is one
// of the understood forms and the kinds line up.
bool conversionsMatch(std::string_view text, const MessageArgs& args);

// Every id of the table, ascending (for checks of the table itself).
std::vector<int> allIds();

}  // namespace kravin::res
