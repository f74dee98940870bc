#include "port_list.h"

#include <QSerialPortInfo>
#include <QSettings>

#include <algorithm>

namespace qvcfg {

namespace {

// "/dev/ttyUSB10" -> ("/dev/ttyUSB", 10); a path without trailing digits gets -1.
std::pair<QString, long long> SplitNumber(const QString& path)
{
    int i = path.size();
    while (i > 0 && path[i - 1].isDigit()) --i;
    if (i == path.size() || path.size() - i > 15) return {path, -1};
    return {path.left(i), path.mid(i).toLongLong()};
}

}  // namespace

QString PortLabel(const PortEntry& port)
{
    return port.name.isEmpty() ? port.path : port.path + QLatin1Char(':') + port.name;
}

std::vector<PortEntry> MergePorts(std::vector<PortEntry> system, const QStringList& extraPaths)
{
    for (const QString& p : extraPaths) {
        const QString path = p.trimmed();
        if (!path.isEmpty()) system.push_back({path, QString()});
    }
    std::stable_sort(system.begin(), system.end(), [](const PortEntry& a, const PortEntry& b) {
        return SplitNumber(a.path) < SplitNumber(b.path);
    });
    std::vector<PortEntry> out;
    for (auto& e : system)
        if (out.empty() || out.back().path != e.path) out.push_back(std::move(e));
    return out;
}

QStringList ExtraPortPaths(const QSettings& settings)
{
    QStringList paths = qEnvironmentVariable(kExtraPortsEnvironment).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    const QVariant setting = settings.value(QLatin1String(kExtraPortsSetting));
    // The setting may be stored as one ";"-separated text or as a list.
    for (const QString& s : setting.toStringList()) paths += s.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    return paths;
}

std::vector<PortEntry> ListSerialPorts(const QSettings& settings)
{
    std::vector<PortEntry> system;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        const QString name = info.description().isEmpty() ? info.portName() : info.description();
        system.push_back({info.systemLocation(), name});
    }
    return MergePorts(std::move(system), ExtraPortPaths(settings));
}

}  // namespace qvcfg
