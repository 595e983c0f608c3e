// SIGTERM, SIGINT and SIGHUP as the user's request to close the program: a signal only
// writes a byte to a pipe, and the event loop turns it into a call on its own thread, so
// the program ends through its ordinary close between two events (between two frames of
// the saver), never from inside a signal handler.
#pragma once

#include <functional>
#include <memory>

class QSocketNotifier;

namespace nuvo::qt {

class CloseSignals {
public:
    // Needs a QCoreApplication. `onSignal` runs while Qt dispatches events, once for the
    // signals that arrived since its last run. One instance at a time.
    explicit CloseSignals(std::function<void()> onSignal);
    // A program with nothing to undo at its end (the xscreensaver module: no grab, no
    // cursor, no file) ends with status 0 in the handler itself, at once, also while it
    // sleeps or waits for the X server.
    struct EndProcess {};
    explicit CloseSignals(EndProcess);
    // Gives the signals back to the dispositions they had before.
    ~CloseSignals();
    CloseSignals(const CloseSignals&) = delete;
    CloseSignals& operator=(const CloseSignals&) = delete;

    // Readable from a signal's arrival until the event loop has handled it.
    int ReadDescriptor() const { return readEnd_; }

private:
    void Install(void (*handler)(int));
    void Drain();

    std::function<void()> onSignal_;
    int readEnd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace nuvo::qt
