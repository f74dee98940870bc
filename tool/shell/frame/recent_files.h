// The File menu's list of recently used projects, newest first.
#pragma once

#include <string>
#include <vector>

namespace kravin::shell {

constexpr std::size_t kRecentFileCount = 16;

// Puts path first (once, the same path compared exactly) and keeps at most 16.
void addRecentFile(std::vector<std::string>& list, const std::string& path);
void removeRecentFile(std::vector<std::string>& list, const std::string& path);
// The menu text of entry index (0-based): "&1 path" .. "1&0 path", "11 path"...
std::string recentFileLabel(std::size_t index, const std::string& path);

}  // namespace kravin::shell
