// The frame log that bench/run times the saver by. With NUVO_K48_FRAME_LOG=FILE in the
// environment, the port appends one line per frame shown: "START BEGIN END", the
// CLOCK_MONOTONIC microseconds of the last tick read before the present (the read that
// ended the frame's wait) and of the two ends of the present. Without it, nothing happens.
// Only this port reads the variable; the program itself has no configuration but its file.
#pragma once

#include <time.h>

#include <cstdint>

namespace nuvo::qt {

class FrameLog {
public:
    FrameLog();
    ~FrameLog();
    FrameLog(const FrameLog&) = delete;
    FrameLog& operator=(const FrameLog&) = delete;

    // Each does nothing when the log is off.
    void TickRead(const timespec& now);
    void PresentBegins();
    // Appends the frame's line.
    void PresentEnded();

private:
    int descriptor_ = -1;
    std::int64_t lastTickReadUs_ = 0;
    std::int64_t presentBeginUs_ = 0;
};

}  // namespace nuvo::qt
