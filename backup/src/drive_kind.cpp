#include "drive_kind.h"

#include <atomic>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace kravinb {

namespace fs = std::filesystem;

namespace {

// A mount table field with its octal escapes ("\040" for a blank) decoded.
std::string unescape(const std::string& field)
{
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const std::string digits = field.substr(i + 1, 3);
            if (digits.find_first_not_of("01234567") == std::string::npos) {
                out += static_cast<char>(std::stoi(digits, nullptr, 8));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

bool within(const fs::path& path, const std::string& mountPoint)
{
    const std::string p = path.string();
    if (mountPoint == "/") return true;
    return p == mountPoint || (p.size() > mountPoint.size() && p.compare(0, mountPoint.size(), mountPoint) == 0 &&
                               p[mountPoint.size()] == '/');
}

// The block device behind the mount that holds path (for volumes whose files carry
// an anonymous device number); 0 when the mount has no block device.
dev_t mountDevice(const fs::path& path)
{
    std::ifstream in("/proc/self/mountinfo");
    std::string line, best;
    std::size_t bestLength = 0;
    dev_t device = 0;
    while (std::getline(in, line)) {
        // id parent major:minor root mount-point options... - fstype source super-options
        std::istringstream fields(line);
        std::string id, parent, numbers, root, mountPoint;
        if (!(fields >> id >> parent >> numbers >> root >> mountPoint)) continue;
        mountPoint = unescape(mountPoint);
        if (!within(path, mountPoint) || mountPoint.size() < bestLength) continue;
        const std::size_t dash = line.find(" - ");
        if (dash == std::string::npos) continue;
        std::istringstream rest(line.substr(dash + 3));
        std::string type, source;
        rest >> type >> source;
        source = unescape(source);
        bestLength = mountPoint.size();
        struct stat st;
        device = source.rfind("/dev/", 0) == 0 && ::stat(source.c_str(), &st) == 0 && S_ISBLK(st.st_mode) ? st.st_rdev : 0;
    }
    return device;
}

// The removable flag of a block device, or of the disk a partition belongs to.
bool removableDevice(dev_t device)
{
    const fs::path block = "/sys/dev/block/" + std::to_string(major(device)) + ":" + std::to_string(minor(device));
    for (const fs::path& flag : {block / "removable", block / ".." / "removable"}) {
        std::ifstream in(flag);
        char c = 0;
        if (in.get(c)) return c == '1';
    }
    return false;
}

DriveKind systemDriveKind(const fs::path& path)
{
    std::error_code ec;
    fs::path p = fs::absolute(path, ec);
    while (!p.empty() && !fs::exists(p, ec) && p.has_parent_path() && p.parent_path() != p) p = p.parent_path();
    const fs::path real = fs::canonical(p, ec);
    if (ec) return DriveKind::Fixed;
    struct stat st;
    if (::stat(real.c_str(), &st) != 0) return DriveKind::Fixed;
    const bool anonymous = major(st.st_dev) == 0;
    const dev_t device = anonymous ? mountDevice(real) : st.st_dev;
    return device != 0 && removableDevice(device) ? DriveKind::Removable : DriveKind::Fixed;
}

std::atomic<DriveKindLookup> g_lookup{nullptr};

}  // namespace

DriveKind GetDriveKind(const fs::path& path)
{
    const DriveKindLookup lookup = g_lookup.load();
    return lookup ? lookup(path) : systemDriveKind(path);
}

DriveKindLookup SetDriveKindLookup(DriveKindLookup lookup) { return g_lookup.exchange(lookup); }

}  // namespace kravinb
