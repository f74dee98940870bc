#include "monitor_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <system_error>
#include <unistd.h>

namespace kravin::online {

namespace {

void putInt16(std::uint8_t* p, std::int16_t v)
{
    const auto u = static_cast<std::uint16_t>(v);
    p[0] = static_cast<std::uint8_t>(u & 0xFF);
    p[1] = static_cast<std::uint8_t>(u >> 8);
}

std::int16_t getInt16(const std::uint8_t* p)
{
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
}

bool validNumber(std::int16_t v) { return v == -1 || (v >= 0 && v <= 9999); }

std::string errnoText(const std::string& what)
{
    return what + ": " + std::strerror(errno);
}

}  // namespace

MonitorTargets FreshMonitorTargets()
{
    MonitorTargets t;  // the defaults are the 0xFF bytes
    t.station = 0;
    t.card = 0;
    return t;
}

MonitorFileBytes EncodeMonitorTargets(const MonitorTargets& targets)
{
    MonitorFileBytes b{};
    putInt16(&b[0], targets.station);
    putInt16(&b[2], targets.card);
    for (std::size_t i = 0; i < targets.spare.size(); ++i) b[4 + i] = targets.spare[i];
    for (int r = 0; r < kMonitorRows; ++r) {
        std::uint8_t* p = &b[kMonitorRowsOffset + static_cast<std::size_t>(r) * kMonitorRowSize];
        const MonitorTargetRow& row = targets.rows[static_cast<std::size_t>(r)];
        putInt16(p, row.ggnn);
        putInt16(p + 2, row.resolvedItem);
        putInt16(p + 4, row.ggii);
        p[6] = row.on;
        p[7] = row.spare;
    }
    return b;
}

std::optional<MonitorTargets> DecodeMonitorTargets(std::span<const std::uint8_t> bytes, std::string* why)
{
    auto fail = [&](std::string reason) -> std::optional<MonitorTargets> {
        if (why) *why = std::move(reason);
        return std::nullopt;
    };
    if (bytes.size() != kMonitorFileSize)
        return fail("size " + std::to_string(bytes.size()) + " bytes, not " + std::to_string(kMonitorFileSize));
    MonitorTargets t;
    t.station = getInt16(&bytes[0]);
    t.card = getInt16(&bytes[2]);
    if (t.station < 0 || t.station > 63 || t.card < 0 || t.card > 15)
        return fail("unit " + std::to_string(t.station) + "/" + std::to_string(t.card) + " out of range");
    for (std::size_t i = 0; i < t.spare.size(); ++i) t.spare[i] = bytes[4 + i];
    for (int r = 0; r < kMonitorRows; ++r) {
        const std::uint8_t* p = &bytes[kMonitorRowsOffset + static_cast<std::size_t>(r) * kMonitorRowSize];
        MonitorTargetRow& row = t.rows[static_cast<std::size_t>(r)];
        row.ggnn = getInt16(p);
        row.resolvedItem = getInt16(p + 2);
        row.ggii = getInt16(p + 4);
        row.on = p[6];
        row.spare = p[7];
        if (!validNumber(row.ggnn) || !validNumber(row.ggii) || (row.on != kRowOn && row.on != kRowOff))
            return fail("row " + std::to_string(r + 1) + " is not valid");
    }
    return t;
}

bool WriteMonitorFile(const std::filesystem::path& path, const MonitorTargets& image, std::string* error)
{
    auto fail = [&](std::string reason) {
        if (error) *error = std::move(reason);
        return false;
    };
    const MonitorFileBytes bytes = EncodeMonitorTargets(image);
    std::filesystem::path temp = path;
    temp += ".tmp";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return fail(errnoText("can't create " + temp.string()));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            std::string reason = errnoText("can't write " + temp.string());
            ::close(fd);
            ::unlink(temp.c_str());
            return fail(reason);
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        std::string reason = errnoText("can't write " + temp.string());
        ::unlink(temp.c_str());
        return fail(reason);
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        std::string reason = errnoText("can't replace " + path.string());
        ::unlink(temp.c_str());
        return fail(reason);
    }
    return true;
}

MonitorFileOutcome ReadMonitorFile(const std::filesystem::path& path, MonitorTargets& image)
{
    MonitorFileOutcome out;
    std::error_code ec;
    const bool exists = std::filesystem::exists(path, ec);
    if (ec) {
        out.message = "can't look for " + path.string() + ": " + ec.message();
        return out;
    }
    MonitorFileResult fresh = MonitorFileResult::Created;
    if (exists && !std::filesystem::is_regular_file(path, ec)) {
        out.message = path.string() + " is not a file";
        return out;
    }
    if (exists) {
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            out.message = "can't read " + path.string();
            return out;
        }
        std::array<std::uint8_t, kMonitorFileSize + 1> buffer{};
        in.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(buffer.size()));
        if (in.bad()) {
            out.message = "can't read " + path.string();
            return out;
        }
        const auto got = static_cast<std::size_t>(in.gcount());
        std::string why;
        if (auto decoded = DecodeMonitorTargets({buffer.data(), got}, &why)) {
            image = *decoded;
            out.result = MonitorFileResult::Loaded;
            return out;
        }
        fresh = MonitorFileResult::Replaced;
        out.message = path.string() + ": " + why;
    } else if (path.has_parent_path()) {
        std::filesystem::create_directories(path.parent_path(), ec);
        if (ec) {
            out.message = "can't create " + path.parent_path().string() + ": " + ec.message();
            return out;
        }
    }
    const MonitorTargets created = FreshMonitorTargets();
    std::string error;
    if (!WriteMonitorFile(path, created, &error)) {
        out.message = out.message.empty() ? error : out.message + "; " + error;
        return out;
    }
    image = created;
    out.result = fresh;
    return out;
}

}  // namespace kravin::online
