// An event pump that runs a test's action once per turn of the socket waits, the way a
// click on Abort reaches the client in the program.
#pragma once

#include "ftp/asyncsocket.h"
#include "platform/eventpump.h"

#include <functional>

struct TurnHook : velloran::EventPump {
    std::function<void()> onTurn;
    int turns = 0;
    TurnHook() { velloran::TAsyncSocket::SetEventPump(this); }
    ~TurnHook() override { velloran::TAsyncSocket::SetEventPump(nullptr); }
    void processPendingEvents() override {
        ++turns;
        if (onTurn)
            onTurn();
    }
};
