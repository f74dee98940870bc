// Controllers with several units behind one port, as qvsim serves them to the upload tests.
#pragma once

#include "card.h"
#include "vuken_sim.h"

#include <string>
#include <vector>

namespace kravin::test {

// A V8RTU station: card k answers to selector k - 1 (one hex digit) and holds a CDI block
// in group 11 whose tag (item 0) is 100 + k - 1. Groups 0 and 1 are the station's, held once:
// item 11 of group 0 is 100 and item 52 the station's card count.
inline std::vector<qvsim::SimCard> V8rtuDevice(int cards, const std::string& count, int baudIndex = 1)
{
    std::vector<qvsim::SimCard> device;
    for (int i = 0; i < cards; ++i) {
        qvsim::SimCard c = qvsim::BlankCard("V8RTU", "0009");
        c.selector = std::string(1, "0123456789ABCDEF"[i & 15]);
        c.baudIndex = baudIndex;
        c.bank0[0][11] = "100";
        c.bank0[0][52] = count;
        c.bank0[11] = {{10, "31"}, {0, std::to_string(100 + i)}};
        device.push_back(c);
    }
    return device;
}

// A blank V8RTU station of cards cards on the simulated bus (the bus reset first): groups 0
// and 1 held once, download mode off, the remote card counting one card, the card type and
// ROM version of the device's own as a blank qvsim card answers them; every card answers
// "**" (no block) at item 10 of its other groups.
inline void BlankBusV8rtuStation(int station, int cards)
{
    vuken_sim_reset();
    for (int c = 0; c < cards; ++c) vuken_sim_add_card(station, c);
    vuken_sim_set_rtu_station(station);
    const qvsim::SimCard blank = qvsim::BlankCard("V8RTU", "0000");
    for (int item : {1, 96, 99}) vuken_sim_set_item(station, 0, 0, item, blank.bank0.at(0).at(item).c_str());
    vuken_sim_set_item(station, 0, 0, 52, "1");
    for (int c = 0; c < cards; ++c)
        for (int g = 2; g < 100; ++g) vuken_sim_set_item(station, c, g, 10, "**");
}

// A QV200W device: sub-units 0 and 1 (selectors "0" and "1"), each answering the model
// code 160 at group 0 item 96 and 200 + its number at item 11.
inline std::vector<qvsim::SimCard> Qv200wDevice()
{
    std::vector<qvsim::SimCard> device;
    for (int i = 0; i < 2; ++i) {
        qvsim::SimCard c = qvsim::BlankCard("QV200W", "000" + std::to_string(i + 1));
        c.selector = std::to_string(i);
        c.bank0[0][11] = std::to_string(200 + i);
        device.push_back(c);
    }
    return device;
}

}  // namespace kravin::test
