#include "platform/qt/event_wait.h"

#include <glib.h>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>

#include <cerrno>
#include <cstdint>

namespace nuvo::qt {
namespace {

std::int64_t Nanoseconds(const timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

}  // namespace

EventWait::EventWait(int xConnection, int signalPipe)
    : xConnection_(xConnection), signalPipe_(signalPipe) {
    const QAbstractEventDispatcher* dispatcher = QCoreApplication::eventDispatcher();
    qtUsesGlib_ = dispatcher != nullptr && dispatcher->inherits("QEventDispatcherGlib");
}

EventWait::~EventWait() = default;

void EventWait::CollectDescriptors() {
    descriptors_.clear();
    if (qtUsesGlib_) {
        GMainContext* context = g_main_context_default();
        if (g_main_context_acquire(context)) {
            for (;;) {
                auto* records = reinterpret_cast<GPollFD*>(glibDescriptors_.data());
                const gint capacity = static_cast<gint>(glibDescriptors_.size() / sizeof(GPollFD));
                gint timeout = -1;
                const gint count = g_main_context_query(context, G_MAXINT, &timeout, records, capacity);
                if (count <= capacity) {
                    for (gint i = 0; i < count; ++i) {
                        descriptors_.push_back({records[i].fd, static_cast<short>(records[i].events), 0});
                    }
                    break;
                }
                glibDescriptors_.resize(static_cast<std::size_t>(count) * sizeof(GPollFD));
            }
            g_main_context_release(context);
        }
    }
    for (const int descriptor : {xConnection_, signalPipe_}) {
        if (descriptor >= 0) descriptors_.push_back({descriptor, POLLIN, 0});
    }
}

bool EventWait::SleepUntil(const timespec& deadline) {
    CollectDescriptors();
    for (;;) {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        const std::int64_t left = Nanoseconds(deadline) - Nanoseconds(now);
        if (left <= 0) return false;
        const timespec timeout{static_cast<time_t>(left / 1'000'000'000), static_cast<long>(left % 1'000'000'000)};
        const int ready = ppoll(descriptors_.data(), descriptors_.size(), &timeout, nullptr);
        if (ready == 0) return false;
        if (ready < 0) {
            if (errno == EINTR) continue;  // a close signal: its byte is in the pipe now
            // Nothing to watch with: still no busy wait, only no early end.
            while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
            }
            return false;
        }
        bool event = false;
        for (pollfd& descriptor : descriptors_) {
            if (descriptor.revents & POLLNVAL) {
                descriptor.fd = -1;  // closed under us: not an event, and ignored from now on
            } else if (descriptor.revents != 0) {
                event = true;
            }
        }
        if (event) return true;
    }
}

}  // namespace nuvo::qt
