#include "platform/qt/close_signals.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <stdexcept>

namespace nuvo::qt {
namespace {

constexpr std::array kCloseSignals{SIGTERM, SIGINT, SIGHUP};

// The write end of the pipe, for the handler; -1 while no instance exists.
volatile sig_atomic_t signalPipe = -1;
std::array<struct sigaction, kCloseSignals.size()> previousActions{};
std::array<bool, kCloseSignals.size()> installed{};

extern "C" void NoteCloseSignal(int) {
    const int savedErrno = errno;
    const char byte = 1;
    // A full pipe already holds a request; the byte may be dropped.
    [[maybe_unused]] const ssize_t written = write(signalPipe, &byte, 1);
    errno = savedErrno;
}

extern "C" void EndProcessAtOnce(int) { _exit(0); }

}  // namespace

CloseSignals::CloseSignals(EndProcess) : onSignal_([] {}) { Install(EndProcessAtOnce); }

CloseSignals::CloseSignals(std::function<void()> onSignal) : onSignal_(std::move(onSignal)) {
    if (signalPipe != -1) throw std::logic_error("CloseSignals exists already");
    int ends[2];
    if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw std::runtime_error("cannot create the pipe for close signals");
    }
    readEnd_ = ends[0];
    signalPipe = ends[1];
    notifier_ = std::make_unique<QSocketNotifier>(readEnd_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { Drain(); });
    Install(NoteCloseSignal);
}

void CloseSignals::Install(void (*handler)(int)) {
    struct sigaction action{};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;  // interrupted system calls go on as if nothing happened
    for (std::size_t i = 0; i < kCloseSignals.size(); ++i) {
        sigaction(kCloseSignals[i], nullptr, &previousActions[i]);
        // A signal ignored from the start stays ignored: `nohup` relies on that for SIGHUP.
        if (previousActions[i].sa_handler == SIG_IGN) continue;
        installed[i] = sigaction(kCloseSignals[i], &action, nullptr) == 0;
    }
}

CloseSignals::~CloseSignals() {
    for (std::size_t i = 0; i < kCloseSignals.size(); ++i) {
        if (installed[i]) sigaction(kCloseSignals[i], &previousActions[i], nullptr);
        installed[i] = false;
    }
    if (readEnd_ == -1) return;
    notifier_.reset();
    close(signalPipe);
    signalPipe = -1;
    close(readEnd_);
}

void CloseSignals::Drain() {
    char bytes[64];
    while (read(readEnd_, bytes, sizeof bytes) > 0) {
    }
    onSignal_();
}

}  // namespace nuvo::qt
