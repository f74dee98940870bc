// The rows of the message table (internal to kravin_strings).
#pragma once

#include <cstddef>

namespace kravin::res {

struct StringEntry {
    int id;
    const char* english;
    const char* japanese;
};

// Sorted by id.
extern const StringEntry kStringTable[];
extern const std::size_t kStringTableSize;

}  // namespace kravin::res
