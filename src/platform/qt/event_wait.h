// The frame loop's sleep on Linux: to a deadline on CLOCK_MONOTONIC, ended early by
// anything that would wake Qt's event loop, without handling it.
//
// Qt reads the X connection on a thread of its own and wakes the main thread's glib main
// context for every batch of events it has queued, and when the connection breaks. So the
// sleep waits on the descriptors that context polls (its wake-up, Qt's socket notifiers),
// on the signal pipe and on the X connection, whose hang-up tells that the server is gone.
// Those wake-ups stay set until Qt's loop has taken them, so an event queued before the
// sleep began ends it at once.
#pragma once

#include <poll.h>
#include <time.h>

#include <vector>

namespace nuvo::qt {

class EventWait {
public:
    // Descriptors that become readable on an event; -1 for none.
    EventWait(int xConnection, int signalPipe);
    ~EventWait();
    EventWait(const EventWait&) = delete;
    EventWait& operator=(const EventWait&) = delete;

    // Sleeps until `deadline` on CLOCK_MONOTONIC; true if an event ended the sleep.
    bool SleepUntil(const timespec& deadline);

private:
    void CollectDescriptors();

    int xConnection_;
    int signalPipe_;
    bool qtUsesGlib_;
    std::vector<pollfd> descriptors_;
    std::vector<char> glibDescriptors_;  // GPollFD records, kept out of this header
};

}  // namespace nuvo::qt
