// Writing a whole file through a temporary file beside it, so a failed write leaves the
// previous file as it was.
#pragma once

#include <string>

namespace qvcfg {

// 0 written; -1 the file could not be created (or the path names no regular file);
// -2 writing failed.
int SaveFile(const std::string& path, const std::string& bytes);

}  // namespace qvcfg
