// The .BKC card backup file: a 128-byte header (what the backup is, when it was
// made, where each compressed member lies) and one or two LZW members; the
// project files that go into it and the names of backups.
#pragma once

#include "KRAVinA.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kravinb {

constexpr std::size_t kHeaderSize = 128;
constexpr int kMembers = 2;
// The size of member k as the project library gives its file: the unit data
// file, then the analog connection file. A member of any other size is damaged.
constexpr std::uint32_t MemberFileSize(int k)
{
    return k == 0 ? std::uint32_t{KRAVINA_UNIT_FILE_SIZE} : std::uint32_t{KRAVINA_ACON_FILE_SIZE};
}
// The largest .BKC: a code of at most 12 bits for every byte of both members,
// each ended by the end code and its flush.
constexpr std::uint64_t kMaxBackupSize =
    kHeaderSize + (std::uint64_t{MemberFileSize(0)} + MemberFileSize(1)) * 3 / 2 + 2 * 4;

struct BkcMember {
    std::uint32_t size = 0;    // uncompressed bytes
    std::uint32_t offset = 0;  // file offset of the compressed data
    std::uint32_t packed = 0;  // compressed bytes
    friend bool operator==(const BkcMember&, const BkcMember&) = default;
};

// Text fields hold raw (CP932) bytes, cut to their widths when written.
struct BkcHeader {
    std::string project;   // 32
    std::string cardName;  // 8
    std::string version;   // 4
    std::string unitText;  // 8
    int station = 0;       // 0..63
    int card = -1;         // 0..15, -1 = the station's own data
    std::array<BkcMember, kMembers> member{};
    std::int32_t time = 0;  // seconds since 1970 UTC
    int memberCount() const { return member[1].size != 0 ? 2 : 1; }
    friend bool operator==(const BkcHeader&, const BkcHeader&) = default;
};

using HeaderBytes = std::array<unsigned char, kHeaderSize>;

HeaderBytes EncodeHeader(const BkcHeader& header);
// The header of 128 bytes whose first 8 are "KRAVinB" and a zero byte; nothing otherwise.
std::optional<BkcHeader> DecodeHeader(const unsigned char* bytes, std::size_t length);
// True when the unit numbers, sizes and offsets fit a file of fileSize bytes:
// members back to back after the header, each of its file's exact size; member 1
// all zero when absent (a card without analog wiring), never in a station backup.
bool HeaderFitsFile(const BkcHeader& header, std::uint64_t fileSize);

enum class FileRead { Ok, Missing, NotRegular, TooLarge, Failed };
// Reads a file whole, or its first prefix bytes, only when it is a regular file
// (a FIFO, a device or a folder is refused at once, never waited on) of at most
// maxSize bytes (checked before anything is read). size gets its length.
FileRead ReadRegularFile(const std::filesystem::path& path, std::uint64_t maxSize, std::vector<unsigned char>& out,
                         std::uint64_t* size = nullptr, std::size_t prefix = SIZE_MAX);

enum class HeaderCheck { Ok, Missing, NotBackup, Damaged };
// Reads the header of a file: Missing when it cannot be read or is no regular
// file, NotBackup for fewer than 128 bytes or a wrong magic, Damaged when it does
// not fit the file (or the file is larger than any backup).
HeaderCheck CheckBackupHeader(const std::filesystem::path& path, BkcHeader* header);

// "S%02dC%X" / "S%02dCX" (without the extension).
std::string DefaultBackupStem(int station, int card);

// The station folder "STNnn" of the work folder, found whatever its case
// (spelled so when missing).
std::filesystem::path StationFolder(const std::filesystem::path& workFolder, int station);
// Names of the members as the project library writes them: "STNINF.KRAB" /
// "CARD%X.KRAB", "AC%X.KRAB" (found whatever their case).
std::string MemberFileName(int card, int member);
// A file of folder named name without regard to case (exact names win).
std::optional<std::filesystem::path> FindNoCase(const std::filesystem::path& folder, std::string_view name);
// Every file of folder besides keep whose name equals name without regard to case.
void RemoveCaseTwins(const std::filesystem::path& folder, std::string_view name);

}  // namespace kravinb
