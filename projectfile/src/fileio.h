// File access of the library: whole-file reads and safe whole-file writes,
// with names found whatever their case.
#pragma once

#include <cstddef>
#include <string>

namespace kravina {

// folder + "/" + relative.
std::string joinPath(const std::string& folder, const std::string& relative);

// The existing path of folder/relative, matching each component of relative
// without regard to ASCII case (exact names win). When nothing matches, the
// path as spelled.
std::string findPath(const std::string& folder, const std::string& relative);

// Reads up to size bytes of folder/relative (any case). Returns the number of
// bytes read, or -1 when the file cannot be opened. Bytes not read are untouched.
long readFile(const std::string& folder, const std::string& relative, void* data, std::size_t size);

// Writes folder/relative whole with exactly the spelled leaf name: the bytes go to
// a temporary file that replaces the old one only when complete, and a twin of the
// file whose name differs only in case is removed afterwards. The parent folder is
// found whatever its case. false when anything failed (the old file is then intact).
bool writeFile(const std::string& folder, const std::string& relative, const void* data,
               std::size_t size);

// True when folder/relative exists (any case) as a regular file.
bool fileExists(const std::string& folder, const std::string& relative);

// Creates folder/relative (one level; an existing folder is fine). false on failure.
bool makeFolder(const std::string& folder, const std::string& relative);

}  // namespace kravina
