#include "station_undo_host.h"

namespace kravin::shell {

ShellStationUndo::ShellStationUndo(model::UnitContext& unit, model::ProjectSession& session)
    : unit_(unit), session_(session)
{
}

void ShellStationUndo::selectUnit(int station, int card)
{
    if (select) {
        select(station, card);
        return;
    }
    unit_.g_curStation = station;
    unit_.g_curCard = card;
    unit_.SelectCurrentUnit();
}

}  // namespace kravin::shell
