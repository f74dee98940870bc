#include "library.h"

namespace kravina {

std::mutex& libraryMutex()
{
    static std::mutex m;
    return m;
}

}  // namespace kravina

namespace kravina {

// The connection images arrive with the connection files; until then there is nothing to forget.
void forgetConnectionCaches() {}

}  // namespace kravina
