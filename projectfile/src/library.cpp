#include "library.h"

namespace kravina {

std::mutex& libraryMutex()
{
    static std::mutex m;
    return m;
}

}  // namespace kravina
