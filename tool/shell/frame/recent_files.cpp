#include "recent_files.h"

#include <algorithm>

namespace kravin::shell {

void addRecentFile(std::vector<std::string>& list, const std::string& path)
{
    if (path.empty()) return;
    removeRecentFile(list, path);
    list.insert(list.begin(), path);
    if (list.size() > kRecentFileCount) list.resize(kRecentFileCount);
}

void removeRecentFile(std::vector<std::string>& list, const std::string& path)
{
    list.erase(std::remove(list.begin(), list.end(), path), list.end());
}

std::string recentFileLabel(std::size_t index, const std::string& path)
{
    const std::size_t n = index + 1;
    std::string number = std::to_string(n);
    // The access key is the last digit of the first ten entries.
    if (n < 10)
        number = "&" + number;
    else if (n == 10)
        number = "1&0";
    return number + " " + path;
}

}  // namespace kravin::shell
