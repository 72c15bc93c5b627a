// The Qt side of the event pump and of handing work to the user-interface thread.
#pragma once

#include "platform/eventpump.h"

namespace velloran {

class QtEventPump : public EventPump {
public:
    void processPendingEvents() override;
};

class QtMainThread : public MainThread {
public:
    // Runs `work` on the application's thread; from that thread itself it runs at once.
    void runBlocking(const std::function<void()>& work) override;
};

} // namespace velloran
