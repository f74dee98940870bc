#include "settings.h"

#include "string_table.h"

#include <QSettings>
#include <QString>

#include <algorithm>
#include <limits>
#include <string_view>

namespace kravin::model {

const std::array<const char*, kPlacementViews> kPlacementPrefixes = {
    "SYSSET", "DENTAN", "BLIST", "CONANA", "SEQBLK", "SEQSET", "HT9"};

namespace {

constexpr const char* kSection = "KRAVin";

struct IntKey {
    const char* key;
    int UserSettings::*field;
    int fallback;
    int min, max;  // a value outside reads, and is written, as the fallback
};

constexpr int kAny = std::numeric_limits<int>::max();
constexpr int kColour = 0xFFFFFF;  // COLORREF
constexpr int kLineKind = 7;       // width 0..3 + 4 x style 0..1

// Integer settings in the order they are read.
const IntKey kIntKeys[] = {
    {"HT9_BAU", &UserSettings::HT9_BAU, 0, 0, 6},
    {"AC_UNIT", &UserSettings::AC_UNIT, 16, 4, 32},
    {"AC_LKIND", &UserSettings::AC_LKIND, 0, 0, kLineKind},
    {"AC_LCOL", &UserSettings::AC_LCOL, 0, 0, kColour},
    {"DT_DX", &UserSettings::DT_DX, 24, 1, 64},
    {"DT_DY", &UserSettings::DT_DY, 13, 1, 64},
    {"DT_UNIT", &UserSettings::DT_UNIT, 16, 4, 32},
    {"DT_LKIND", &UserSettings::DT_LKIND, 0, 0, kLineKind},
    {"DT_LCOL", &UserSettings::DT_LCOL, 0, 0, kColour},
    {"SEQ_DSP", &UserSettings::SEQ_DSP, 1, 0, 1},
    {"ONLINE", &UserSettings::ONLINE, 0, 0, 1},
    {"MON_SPEED", &UserSettings::MON_SPEED, 0, -kAny, kAny},
    {"MAXIMUM_SIZE", &UserSettings::MAXIMUM_SIZE, 0, 0, 1},
    {"BACK_COLOR", &UserSettings::BACK_COLOR, 0xFFFFFF, 0, kColour},
    {"ENABLE_GRID", &UserSettings::ENABLE_GRID, 1, 0, 1},
    {"COM_TIME", &UserSettings::COM_TIME, 10, 1, 99},
};

int inRange(const IntKey& k, int v) { return v >= k.min && v <= k.max ? v : k.fallback; }

const char* const kPlacementSuffixes[] = {"_LEFT", "_TOP", "_RIGHT", "_BOTTOM", "_LENGTH"};
int WindowPlacement::*const kPlacementFields[] = {&WindowPlacement::left, &WindowPlacement::top,
                                                   &WindowPlacement::right, &WindowPlacement::bottom,
                                                   &WindowPlacement::length};

QString indexed(const char* pattern, int n)
{
    QString key = QString::fromLatin1(pattern);
    return key.replace(QStringLiteral("%d"), QString::number(n));
}

int readInt(QSettings& s, const QString& key, int fallback)
{
    bool ok = false;
    const int v = s.value(key, fallback).toInt(&ok);
    return ok ? v : fallback;
}

std::string readText(QSettings& s, const QString& key)
{
    return s.value(key, QString()).toString().toStdString();
}

std::string fitField(std::string text)
{
    if (text.size() > kPortFieldWidth - 1) text.resize(kPortFieldWidth - 1);
    return text;
}

std::string deviceString(int id)
{
    return res::lookup(id, res::Language::English);
}

}  // namespace

int DeviceStringId(std::string_view text)
{
    for (int id : {9300, 9303, 9304, 9305, 9306, 9308, 9309, 9401}) {
        for (auto lang : {res::Language::English, res::Language::Japanese})
            if (text == res::lookup(id, lang)) return id;
    }
    return 0;
}

std::string NormaliseDevice(const std::string& stored)
{
    if (stored.empty()) return stored;
    if (stored == "TJK5    ") return deviceString(9305);
    if (stored == "TJW     ") return deviceString(9309);
    if (stored == "V8RTU   ") return deviceString(9306);
    const int id = DeviceStringId(stored);
    if (id == 9308) return deviceString(9300);
    if (id == 0) return deviceString(9303);
    return deviceString(id);
}

void LoadSettings(QSettings& s, UserSettings& out)
{
    UserSettings st;
    s.beginGroup(QString::fromLatin1(kSection));
    for (const IntKey& k : kIntKeys) st.*k.field = inRange(k, readInt(s, QString::fromLatin1(k.key), k.fallback));
    int portCount = readInt(s, QStringLiteral("COM_PORT_NUM"), 0);
    if (portCount < 0 || portCount > kPortListSize) portCount = 0;
    for (int v = 0; v < kPlacementViews; ++v) {
        for (int f = 0; f < 5; ++f) {
            const QString key = QString::fromLatin1(kPlacementPrefixes[v]) + QString::fromLatin1(kPlacementSuffixes[f]);
            st.placements[v].*kPlacementFields[f] = readInt(s, key, 0);
        }
    }
    for (int n = 0; n < kPortRows; ++n) {
        PortAllocationRow& row = st.PortAllocation[n];
        row.speed = readInt(s, indexed("PORT%d_SPEED", n), 0);
        row.port = readText(s, indexed("PORT%d_COM", n));
        row.portText = readText(s, indexed("PORT%d_COM_STR", n));
        row.device = NormaliseDevice(readText(s, indexed("PORT%d_KIKI", n)));
    }
    for (int n = 0; n < portCount; ++n) {
        st.portList.push_back({fitField(readText(s, indexed("COM%d_PORT_STR", n))),
                               fitField(readText(s, indexed("COM%d_PORT_NUM", n)))});
    }
    st.HT9_COM = readText(s, QStringLiteral("HT9_COM"));
    st.HT9_ID = readText(s, QStringLiteral("HT9_ID"));
    s.endGroup();
    out = std::move(st);
}

void SaveSettings(QSettings& s, const UserSettings& st)
{
    s.beginGroup(QString::fromLatin1(kSection));
    for (const IntKey& k : kIntKeys) {
        if (k.field == &UserSettings::MON_SPEED) continue;
        s.setValue(QString::fromLatin1(k.key), inRange(k, st.*k.field));
    }
    for (int v = 0; v < kPlacementViews; ++v) {
        for (int f = 0; f < 5; ++f) {
            const QString key = QString::fromLatin1(kPlacementPrefixes[v]) + QString::fromLatin1(kPlacementSuffixes[f]);
            s.setValue(key, st.placements[v].*kPlacementFields[f]);
        }
    }
    for (int n = 0; n < kPortRows; ++n) {
        const PortAllocationRow& row = st.PortAllocation[n];
        s.setValue(indexed("PORT%d_COM", n), QString::fromStdString(row.port));
        s.setValue(indexed("PORT%d_COM_STR", n), QString::fromStdString(row.portText));
        s.setValue(indexed("PORT%d_KIKI", n), QString::fromStdString(NormaliseDevice(row.device)));
        s.setValue(indexed("PORT%d_SPEED", n), row.speed);
    }
    // Ports beyond the list's size are not kept.
    const std::size_t ports = std::min<std::size_t>(st.portList.size(), kPortListSize);
    s.setValue(QStringLiteral("COM_PORT_NUM"), static_cast<int>(ports));
    for (std::size_t n = 0; n < ports; ++n) {
        s.setValue(indexed("COM%d_PORT_STR", static_cast<int>(n)), QString::fromStdString(fitField(st.portList[n].text)));
        s.setValue(indexed("COM%d_PORT_NUM", static_cast<int>(n)), QString::fromStdString(fitField(st.portList[n].number)));
    }
    s.setValue(QStringLiteral("HT9_COM"), QString::fromStdString(st.HT9_COM));
    s.setValue(QStringLiteral("HT9_ID"), QString::fromStdString(st.HT9_ID));
    s.endGroup();
    s.sync();
}

std::unique_ptr<QSettings> openUserProfile()
{
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("KRAVin"),
                         QStringLiteral("KRAVin3"));
}

}  // namespace kravin::model
