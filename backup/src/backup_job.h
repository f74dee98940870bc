// The work of a backup and a restore without any window: writing a .BKC next
// to the old one and replacing it only when complete, and restoring members
// into temporary files that replace the unit's files only when all are good.
#pragma once

#include "bkc_format.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kravinb {

namespace fs = std::filesystem;

// What the unit to back up holds: 0, 1 or 2 members (GetCardFileInfo).
struct CardFiles {
    int count = 0;
    std::uint64_t totalSize = 0;
    fs::path member[kMembers];
};
CardFiles GetCardFileInfo(const fs::path& workFolder, int station, int card);

// Free bytes of the volume that holds path (its nearest existing folder).
std::uint64_t FreeBytes(const fs::path& path);

// True when the bytes of member k are a file the project library accepts
// (the unit data file, the analog connection file).
bool MemberAccepted(int k, const std::vector<unsigned char>& bytes);

// Removes what writers that died left in folder: the files ".NAME.XXXXXX" beside
// a NAME that ours accepts that no running writer holds (a writer locks its file
// from its creation until it has its name).
void SweepStaleTemps(const fs::path& folder, const std::function<bool(std::string_view)>& ours);

enum class WriteStatus {
    Ok,
    CannotCreate,  // the output could not be created
    CannotRead,    // a member file could not be read
    DiskFull,      // no space left (or the file size limit)
    WriteError,    // any other failed write
    Empty,         // no member was written: there is no backup and the old file stays
};

// One .BKC being written: the bytes go to a temporary file beside the output,
// which replaces the output only in Finish. Dropped unless finished.
class BkcWriter {
public:
    explicit BkcWriter(fs::path output) : output_(std::move(output)) {}
    ~BkcWriter() { Abort(); }
    BkcWriter(const BkcWriter&) = delete;
    BkcWriter& operator=(const BkcWriter&) = delete;

    WriteStatus Create(const BkcHeader& header);
    // Compresses member k (in order) from file; its entry of the header is filled in.
    WriteStatus AddMember(int k, const fs::path& file);
    // Writes the final header and puts the file in place of the output (Empty,
    // and nothing changed, when member 0 was never written).
    WriteStatus Finish();
    void Abort();

    const BkcHeader& header() const { return header_; }
    const fs::path& output() const { return output_; }
    int savedErrno() const { return errno_; }

private:
    WriteStatus writeAll(const void* data, std::size_t size, std::uint64_t offset);

    fs::path output_;
    fs::path temp_;
    int fd_ = -1;
    BkcHeader header_;
    std::uint64_t end_ = kHeaderSize;
    int errno_ = 0;
};

enum class RestoreStatus {
    Ok,
    Cancelled,   // asked to stop between members: nothing changed
    Refused,     // the accept callback said no: nothing changed
    Damaged,     // the backup could not be read or decoded: nothing changed
    NoSpace,     // the work folder's volume lacks the room
    NoFolder,    // the station folder could not be created
    WriteError,  // a target could not be written: the unit's files were put back
};

// Restores a backup into station/card of the work folder. Every member is decoded
// and checked before anything is written: a member of another size than its file,
// or one the project library would not accept, is Damaged. The hooks:
// accept(header) runs before anything is written; step(k, header) is told
// before member k and answers false to cancel; keepFolder receives copies of
// the files a restore replaces while it runs and is removed afterwards.
struct RestoreHooks {
    std::function<bool(const BkcHeader&)> accept;
    std::function<bool(int member, const BkcHeader&)> step;
};
struct RestoreTarget {
    fs::path workFolder;
    int station = 0;
    int card = -1;
    fs::path keepFolder;
};
RestoreStatus RestoreBackup(const fs::path& backup, const RestoreTarget& target, const RestoreHooks& hooks,
                            BkcHeader* header, fs::path* failedPath = nullptr);

// Reads, decodes and checks every member of a backup (for checks and the fuzzer).
RestoreStatus ReadBackup(const std::vector<unsigned char>& file, BkcHeader& header,
                         std::vector<std::vector<unsigned char>>& members);

// A .BKC of a folder that fits the target kind (station backups for a station
// target, card backups for a card target); damaged ones are kept as such.
struct BackupEntry {
    fs::path path;
    BkcHeader header;
    bool damaged = false;
};
std::vector<BackupEntry> ListBackups(const fs::path& folder, bool stationTarget);

}  // namespace kravinb
