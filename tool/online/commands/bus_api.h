// The bus library calls the online commands make, as a table that tests can replace.
#pragma once

#include "vuken.h"

namespace kravin::online {

struct BusApi {
    void (*cycle)() = nullptr;
    void (*close)() = nullptr;
    int (*status)() = nullptr;
    int (*items)(int operation, int address, BusItemRequest* request, char** reply) = nullptr;

    // The library's own functions.
    static BusApi Vuken() { return {&kilnbus_cycle, &kilnbus_close, &get_kilnbus_status, &rw_dcs_items}; }
};

}  // namespace kravin::online
