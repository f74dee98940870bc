// Writes a ZIP archive (deflate, no ZIP64) to an open file descriptor: the entries
// are given with their content already compressed, so that they can be compressed
// apart (and at the same time) from the writing.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace kravin::model::zipw {

// One entry's data as it goes into the archive.
struct Compressed {
    std::vector<unsigned char> bytes;  // deflated (method 8) or stored (method 0)
    std::uint16_t method = 0;
    std::uint32_t crc = 0;
    std::uint64_t size = 0;  // uncompressed
};

// Deflates data (raw deflate, level 1); keeps it stored when that is not smaller.
// false when zlib fails.
bool Compress(const unsigned char* data, std::size_t size, Compressed& out);

class Writer {
public:
    explicit Writer(int fd) : fd_(fd) {}

    // Appends a folder entry (name ends with "/") or a file entry.
    bool addFolder(const std::string& name, unsigned mode, std::time_t mtime);
    bool addFile(const std::string& name, unsigned mode, std::time_t mtime, const Compressed& data);
    // Writes the central directory and flushes. false on a write failure or when the
    // archive outgrows the plain ZIP limits (4 GiB, 65535 entries).
    bool finish();
    const std::string& error() const { return error_; }

private:
    struct Central {
        std::string name;
        std::uint16_t method, time, date;
        std::uint32_t crc, csize, usize, offset, attributes;
    };
    bool add(const std::string& name, std::uint32_t attributes, std::time_t mtime, std::uint16_t method,
             std::uint32_t crc, const unsigned char* data, std::size_t csize, std::uint64_t usize);
    bool put(const void* data, std::size_t size);
    bool flush();
    bool fail(std::string what);

    int fd_;
    std::uint64_t offset_ = 0;
    std::vector<unsigned char> buffer_;
    std::vector<Central> central_;
    std::string error_;
};

}  // namespace kravin::model::zipw
