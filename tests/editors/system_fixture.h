// A small configuration for the system view tests: a handful of station and
// card kinds and a project that places one of each kind.
#pragma once

#include "system_config.h"

#include <string>

namespace kravin::test {

inline std::string kindName(const std::string& name) { return name + std::string(8 - name.size(), ' '); }

// Station kinds: 1 QV200, 2 V8RTU, 3 RNH6. Card kinds: 1 QV200W, 2 QV210W, 3 TQRQ,
// 4 TQRQ$, 5 TQRC, 6 TQRC$, 7 TQRJ, 8 TQRN, 9 TJK5, 10 V8RTU, 11 KMQ, 12 PWZ, 13 TQNW2.
inline model::CardKindMasters fixtureMasters()
{
    model::CardKindMasters m;
    const char* stations[] = {"QV200", "V8RTU", "RNH6"};
    for (int k = 0; k < 3; ++k) {
        m.station.name[k + 1] = kindName(stations[k]);
        m.station.versions[k + 1][0] = "1.00";
        m.station.versions[k + 1][1] = "1.10";
    }
    const char* cards[] = {"QV200W", "QV210W", "TQRQ", "TQRQ$", "TQRC", "TQRC$", "TQRJ",
                           "TQRN",   "TJK5",   "V8RTU", "KMQ",  "PWZ",   "TQNW2"};
    for (int k = 0; k < 13; ++k) {
        m.card.name[k + 1] = kindName(cards[k]);
        m.card.versions[k + 1][0] = "1.00";
    }
    m.card.versions[11][1] = "2.00";
    return m;
}

inline void placeStation(model::SystemConfigTables& t, int station, int kind, int version = 0,
                         const std::string& text = "")
{
    t.stationKind[station] = kind;
    t.stationVersion[station] = version;
    t.stationUnitText[station] = text;
}

inline void placeCard(model::SystemConfigTables& t, int station, int card, int kind, int version = 0,
                      const std::string& text = "")
{
    t.cardKind[station][card - 1] = kind;
    t.cardVersion[station][card - 1] = version;
    t.cardUnitText[station][card - 1] = text;
}

}  // namespace kravin::test
