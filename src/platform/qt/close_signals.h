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
    // Gives the signals back to the dispositions they had before.
    ~CloseSignals();
    CloseSignals(const CloseSignals&) = delete;
    CloseSignals& operator=(const CloseSignals&) = delete;

    // Readable from a signal's arrival until the event loop has handled it.
    int ReadDescriptor() const { return readEnd_; }

private:
    void Drain();

    std::function<void()> onSignal_;
    int readEnd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace nuvo::qt
