// nuvo_input_clock PID key|sigterm
// Ends the process PID the way a user or a session does, with a key press (Escape, through
// XTest on $DISPLAY) or with SIGTERM, and prints the milliseconds from sending it to the
// process's end: the input figures of bench/run, without the start of a tool in them.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

double NowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s PID key|sigterm\n", argv[0]);
        return 2;
    }
    const pid_t pid = static_cast<pid_t>(std::atoi(argv[1]));
    const std::string how = argv[2];
    const int process = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    if (process < 0) {
        std::perror("pidfd_open");
        return 2;
    }
    Display* display = how == "key" ? XOpenDisplay(nullptr) : nullptr;
    if (how == "key" && display == nullptr) {
        std::fprintf(stderr, "%s: cannot open the display\n", argv[0]);
        return 2;
    }
    const unsigned int escape = display ? XKeysymToKeycode(display, XK_Escape) : 0;

    const double sent = NowMs();
    if (display != nullptr) {
        XTestFakeKeyEvent(display, escape, True, CurrentTime);
        XFlush(display);
    } else if (kill(pid, SIGTERM) != 0) {
        std::perror("kill");
        return 2;
    }
    pollfd ended{process, POLLIN, 0};
    const int ready = poll(&ended, 1, 60'000);
    const double done = NowMs();
    if (display != nullptr) {
        XTestFakeKeyEvent(display, escape, False, CurrentTime);
        XCloseDisplay(display);
    }
    if (ready != 1) {
        std::fprintf(stderr, "%s: the process did not end within 60 s\n", argv[0]);
        return 1;
    }
    std::printf("%.1f\n", done - sent);
    return 0;
}
