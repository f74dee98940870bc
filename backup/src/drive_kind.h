// Whether a folder lies on a removable disk: a backup that cannot create its
// file there offers to change the disk and try again.
#pragma once

#include <filesystem>

namespace kravinb {

enum class DriveKind { Fixed, Removable };

// The kind of the drive that holds path (its nearest existing folder): the
// block device of its mount and that device's removable flag. Anything not
// known to be removable (a network or memory volume, a missing flag) is Fixed.
DriveKind GetDriveKind(const std::filesystem::path& path);

// Replaces the lookup GetDriveKind makes (null restores the system's); returns
// the one it replaces.
using DriveKindLookup = DriveKind (*)(const std::filesystem::path&);
DriveKindLookup SetDriveKindLookup(DriveKindLookup lookup);

}  // namespace kravinb
