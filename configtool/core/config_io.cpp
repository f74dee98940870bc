#include "config_io.h"

#include "config_db.h"
#include "csv_text.h"
#include "qv_com.h"
#include "save_file.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qvcfg {

namespace {

enum class Opened { Ok, CannotOpen, CannotRead };

// Reads at most limit bytes of a regular file. A FIFO, a device or a folder is
// refused at once (opening never waits for a writer), and nothing past limit is read.
Opened ReadRegular(const std::string& path, std::size_t limit, Bytes& out)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return Opened::CannotOpen;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return Opened::CannotOpen;
    }
    out.assign(std::min(static_cast<std::size_t>(st.st_size), limit), 0);
    std::size_t got = 0;
    bool failed = false;
    while (got < out.size()) {
        const ssize_t n = ::read(fd, out.data() + got, out.size() - got);
        if (n > 0)
            got += static_cast<std::size_t>(n);
        else if (n == 0)
            break;
        else if (errno != EINTR) {
            failed = true;
            break;
        }
    }
    ::close(fd);
    out.resize(got);
    return failed ? Opened::CannotRead : Opened::Ok;
}

}  // namespace

int ConfigReader::ReadFile(const std::string& path)
{
    // No image is larger than kImageSize: a longer file is refused by the store for
    // its length all the same, so one byte past that is all it needs to see.
    Bytes bytes;
    switch (ReadRegular(path, kImageSize + 1, bytes)) {
    case Opened::CannotOpen: return -1;
    case Opened::CannotRead: return -2;
    case Opened::Ok: break;
    }
    const int rc = db_->LoadFromFile(bytes, path);
    if (rc == 0) return 0;
    return rc == -2 ? -4 : -3;
}

int ConfigReader::Upload()
{
    Bytes bytes;
    if (const int rc = com_->UploadConfig(bytes); rc < 0) return rc == -2 ? -7 : -6;
    const int rc = db_->LoadFromDevice(bytes);
    if (rc == 0) return 0;
    return rc == -2 ? -4 : -3;
}

int ConfigWriter::WriteFile(const std::string& path)
{
    Bytes image;
    if (db_->GetImage(image) < 0 || image.empty()) return -3;
    const std::size_t n = std::min(image.size(), static_cast<std::size_t>(db_->ExpectedSizeOf(image)));
    return SaveFile(path, std::string(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(n)));
}

int ConfigWriter::Download(int* deviceError)
{
    Bytes held;
    if (db_->GetImage(held) < 0 || held.empty()) return -3;
    Bytes device;
    if (const int rc = com_->UploadConfig(device); rc < 0) return rc == -4 ? -7 : rc == -2 ? -5 : -4;
    if (const int rc = db_->PrepareDownload(device, held); rc < 0) return rc == -2 ? -9 : -8;
    const int rc = com_->DownloadConfig(device, db_->GetModel(), db_->ExpectedSizeOf(device), deviceError);
    if (rc < 0) return rc == -4 ? -7 : rc == -2 ? -5 : -4;
    return 0;
}

int ConfigWriter::ExportCsv(const std::string& path)
{
    std::string text;
    if (db_->ExportCsv(text) < 0 || text.empty()) return -3;
    return SaveFile(path, ToCrLf(text));
}

}  // namespace qvcfg
