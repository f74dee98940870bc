// Carries out the HT-9 unit's requests over the serial programming-unit link or the bus.
// No Qt: the view runs it on its worker thread, tests call it directly.
#pragma once

#include "bus_api.h"
#include "ht9_unit.h"

#include <chrono>
#include <functional>
#include <string>

namespace kravin::online {
class SerialLink;
}

namespace kravin::online::ht9 {

// The unit the simulation talks to.
struct Ht9Target {
    int station = 0;
    int card = 0;       // 0 the station itself, 1..16 cards
    std::string model;  // 8-character kind name
};

class Ht9Exchanger {
public:
    using Sleep = std::function<void(std::chrono::milliseconds)>;

    Ht9Exchanger(SerialLink* serial, BusApi bus, Ht9Target target, Sleep sleep = {});

    // The bus item address of the unit.
    int Address() const;
    // One request (pauses are the caller's).
    Ht9Reply Perform(const Ht9Request& request);
    // The bus back to reading before the view lets it go: waits a bounded time for the bus,
    // writes group 0 item 1 := "0", closes the bus. True when the write went through.
    bool LeaveBus();

private:
    Ht9Reply SerialExchange(const Ht9Request& request);
    Ht9Reply BusRequest(const Ht9Request& request);
    void Wait(std::chrono::milliseconds d) const;

    SerialLink* serial_;
    BusApi bus_;
    Ht9Target target_;
    Sleep sleep_;
};

}  // namespace kravin::online::ht9
