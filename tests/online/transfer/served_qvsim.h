// qvsim on a pseudo-terminal and the serial link the transfer runs reach it through.
#pragma once

#include "pty_server.h"
#include "serial_link.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace kravin::online::test {

class ServedQvsim {
protected:
    // Starts a simulator holding these cards; the link waits 300 ms for a reply.
    void serve(std::vector<qvsim::SimCard> cards)
    {
        server = std::make_unique<qvsim::PtyServer>(std::move(cards));
        std::string error;
        ASSERT_TRUE(server->start(error)) << error;
        SerialLinkSettings s;
        s.replyTimeout = std::chrono::milliseconds(300);
        link.setSettings(s);
    }

    std::unique_ptr<qvsim::PtyServer> server;
    SerialLink link;
};

}  // namespace kravin::online::test
