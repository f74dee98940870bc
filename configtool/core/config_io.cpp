#include "config_io.h"

#include "config_db.h"
#include "csv_text.h"
#include "qv_com.h"
#include "save_file.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace qvcfg {

namespace {
constexpr std::uintmax_t kMaxFileSize = 1 << 20;
}  // namespace

int ConfigReader::ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return -1;
    // No image is larger than 2048 bytes: a large file is refused without reading it whole.
    std::error_code ec;
    if (std::filesystem::file_size(path, ec) > kMaxFileSize && !ec) return -4;
    Bytes bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) return -2;
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
    if (const int rc = db_->PrepareDownload(device, held); rc < 0) return rc == -3 ? -6 : rc == -2 ? -9 : -8;
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
