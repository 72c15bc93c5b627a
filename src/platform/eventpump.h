// Ways for long-running core code to let the user interface breathe and to hand work
// to the user-interface thread, without the core knowing which toolkit runs it.
#pragma once

#include <functional>

namespace velloran {

// Lets the user interface process its pending events once (repaint, Abort clicks).
class EventPump {
public:
    virtual ~EventPump() = default;
    virtual void processPendingEvents() = 0;
};

// Runs a function on the user-interface thread and returns when it has run there.
class MainThread {
public:
    virtual ~MainThread() = default;
    virtual void runBlocking(const std::function<void()>& work) = 0;
};

} // namespace velloran
