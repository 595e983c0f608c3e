#include "platform/qt/frame_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace nuvo::qt {
namespace {

std::int64_t Microseconds(const timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000 + time.tv_nsec / 1000;
}

std::int64_t NowUs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return Microseconds(now);
}

}  // namespace

FrameLog::FrameLog() {
    const char* path = std::getenv("NUVO_K48_FRAME_LOG");
    if (path != nullptr && path[0] != '\0') {
        descriptor_ = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    }
}

FrameLog::~FrameLog() {
    if (descriptor_ >= 0) ::close(descriptor_);
}

void FrameLog::TickRead(const timespec& now) {
    if (descriptor_ >= 0) lastTickReadUs_ = Microseconds(now);
}

void FrameLog::PresentBegins() {
    if (descriptor_ >= 0) presentBeginUs_ = NowUs();
}

void FrameLog::PresentEnded() {
    if (descriptor_ < 0) return;
    const std::int64_t endUs = NowUs();
    char line[80];
    const int length = std::snprintf(line, sizeof line, "%lld %lld %lld\n", static_cast<long long>(lastTickReadUs_),
                                     static_cast<long long>(presentBeginUs_), static_cast<long long>(endUs));
    // One write per line, so a saver ended by a signal leaves only whole lines. A failed
    // write only leaves a gap in the log.
    if (length > 0 && ::write(descriptor_, line, static_cast<std::size_t>(length)) < 0) return;
}

}  // namespace nuvo::qt
