// The serial ports offered in the port dialog: those the system reports, and extra device
// paths (pseudo-terminals, which the system does not list) from a setting and from the
// environment.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

class QSettings;

namespace qvcfg {

inline constexpr const char* kSettingsSection = "QVCFG";
inline constexpr const char* kPortSetting = "QVCFG/COM";
inline constexpr const char* kExtraPortsSetting = "QVCFG/EXTRA_PORTS";
inline constexpr const char* kExtraPortsEnvironment = "QVCFG_EXTRA_PORTS";
inline constexpr const char* kDefaultPort = "/dev/ttyS0";

struct PortEntry {
    QString path;  // device path, e.g. /dev/ttyUSB0
    QString name;  // the system's name for it; empty when unknown
};

// The text the port dialog lists: the path, and ":" and the system's name when it has one.
QString PortLabel(const PortEntry& port);

// Sorts by path (numbers in the path compared as numbers) and keeps one entry per path,
// the system's before an extra one.
std::vector<PortEntry> MergePorts(std::vector<PortEntry> system, const QStringList& extraPaths);

// ";"-separated paths of the environment variable and the setting.
QStringList ExtraPortPaths(const QSettings& settings);

// The system's ports merged with the extra paths.
std::vector<PortEntry> ListSerialPorts(const QSettings& settings);

}  // namespace qvcfg
