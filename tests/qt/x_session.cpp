#include "x_session.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <map>
#include <stdexcept>
#include <thread>


extern char** environ;

namespace nuvo::qt_test {
namespace {

using Clock = std::chrono::steady_clock;

// Displays reserved for this suite and the tools; other suites use other numbers.
constexpr const char* kDisplays = "90-99";

std::vector<char*> CStrings(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& s : strings) pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

bool HasClass(Display* display, Window window, std::string_view className) {
    XClassHint hint{};
    if (!XGetClassHint(display, window, &hint)) return false;
    const bool match = hint.res_class != nullptr && className == hint.res_class;
    if (hint.res_name) XFree(hint.res_name);
    if (hint.res_class) XFree(hint.res_class);
    return match;
}

bool Viewable(Display* display, Window window) {
    XWindowAttributes attributes{};
    return XGetWindowAttributes(display, window, &attributes) &&
           attributes.map_state == IsViewable;
}

std::vector<Window> RootChildren(Display* display) {
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    std::vector<Window> result;
    if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) {
        result.assign(children, children + count);
        if (children) XFree(children);
    }
    return result;
}

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, Milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (condition()) return true;
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(20ms);
    }
}

// --- ChildProcess --------------------------------------------------------------------------

ChildProcess::ChildProcess(std::vector<std::string> arguments,
                           std::vector<std::string> environment, int standardOutput) {
    std::vector<char*> argv = CStrings(arguments);
    std::vector<char*> envp = CStrings(environment);
    // A runner started in the background ignores SIGINT, and the child would inherit that.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t all, none;
    sigfillset(&all);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    if (standardOutput >= 0) posix_spawn_file_actions_adddup2(&files, standardOutput, STDOUT_FILENO);
    const int error = posix_spawnp(&pid_, argv[0], &files, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&files);
    posix_spawnattr_destroy(&attributes);
    if (error != 0) {
        std::string message = "cannot start ";
        message.append(arguments[0]).append(": ").append(std::strerror(error));
        throw std::runtime_error(message);
    }
}

ChildProcess::~ChildProcess() {
    if (Running()) {
        kill(pid_, SIGKILL);
        Reap(true);
    }
}

bool ChildProcess::Reap(bool block) {
    if (status_) return true;
    int status = 0;
    const pid_t done = waitpid(pid_, &status, block ? 0 : WNOHANG);
    if (done != pid_) return false;
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return true;
}

bool ChildProcess::Running() { return !Reap(false); }

std::optional<int> ChildProcess::WaitForExit(Milliseconds timeout) {
    WaitUntil([this] { return !Running(); }, timeout);
    return status_;
}

void ChildProcess::Terminate(Milliseconds timeout) {
    if (!Running()) return;
    kill(pid_, SIGTERM);
    WaitForExit(timeout);
}

// --- pictures ------------------------------------------------------------------------------

void SavePicture(const Picture& picture, const std::filesystem::path& file) {
    std::ofstream out(file, std::ios::binary);
    out << "P6\n" << picture.width << ' ' << picture.height << "\n255\n";
    for (std::uint32_t pixel : picture.pixels) {
        const char rgb[3] = {static_cast<char>(pixel >> 16), static_cast<char>(pixel >> 8),
                             static_cast<char>(pixel)};
        out.write(rgb, 3);
    }
}

// --- XSession ------------------------------------------------------------------------------

XSession::XSession(int width, int height, const std::vector<std::string>& serverArguments)
    : width_(width), height_(height) {
    // Windows of the program come and go while the test looks at them.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    std::filesystem::create_directories(home_.Path() / "runtime");
    std::filesystem::permissions(home_.Path() / "runtime", std::filesystem::perms::owner_all);
    std::string screen = std::to_string(width);
    screen.append("x").append(std::to_string(height)).append("x24");
    // The script prints the display it took once the server accepts connections, and runs
    // as long as the server; ending it ends the server. It ends with this process too.
    int output[2];
    if (pipe2(output, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    std::vector<std::string> command{"setpriv", "--pdeathsig", "TERM", NUVO_XVFB_START, kDisplays,
                                     "-screen", "0", screen};
    command.insert(command.end(), serverArguments.begin(), serverArguments.end());
    server_ = std::make_unique<ChildProcess>(std::move(command), Environment(), output[1]);
    close(output[1]);
    char c = 0;
    pollfd wait{output[0], POLLIN, 0};
    while (poll(&wait, 1, 30000) == 1 && read(output[0], &c, 1) == 1 && c != '\n') displayName_ += c;
    close(output[0]);
    if (c != '\n' || displayName_.empty()) {
        throw std::runtime_error(std::string("no display from tools/xvfb-start ") + kDisplays);
    }
    display_ = XOpenDisplay(displayName_.c_str());
    if (display_ == nullptr) throw std::runtime_error("cannot connect to " + displayName_);
    helperWindow_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 1, 1, 0, 0, 0);
}

XSession::~XSession() {
    picture_.reset();
    if (display_) XCloseDisplay(display_);
    server_->Terminate(5s);
}

std::vector<std::string> XSession::Environment(const std::vector<std::string>& overrides) const {
    std::map<std::string, std::string> variables;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const std::size_t equals = text.find('=');
        if (equals != std::string::npos) variables[text.substr(0, equals)] = text.substr(equals + 1);
    }
    variables["DISPLAY"] = displayName_;
    variables["HOME"] = home_.Path().string();
    variables["XDG_CONFIG_HOME"] = ConfigDir().string();
    variables["XDG_RUNTIME_DIR"] = (home_.Path() / "runtime").string();
    // In sanitizer builds, leaks of the system libraries are not the program's.
    std::string& leakOptions = variables["LSAN_OPTIONS"];
    leakOptions += std::string(leakOptions.empty() ? "" : ":") + "print_suppressions=0:suppressions=" +
                   NUVO_QT_LEAK_SUPPRESSIONS;
    // Strict string checks misread libxkbcommon-x11's strndup of a name that is not
    // NUL-terminated (a bounded read) as an overflow: off for the programs under test,
    // which load it, and still on for the unit tests.
    std::string& addressOptions = variables["ASAN_OPTIONS"];
    addressOptions += std::string(addressOptions.empty() ? "" : ":") + "strict_string_checks=0";
    for (const std::string& entry : overrides) {
        const std::size_t equals = entry.find('=');
        if (equals == std::string::npos) {
            variables.erase(entry);
        } else {
            variables[entry.substr(0, equals)] = entry.substr(equals + 1);
        }
    }
    std::vector<std::string> result;
    for (const auto& [name, value] : variables) result.push_back(name + "=" + value);
    return result;
}

std::unique_ptr<ChildProcess> XSession::StartProgram(const std::vector<std::string>& arguments,
                                                     const std::vector<std::string>& overrides) {
    std::vector<std::string> command{NUVO_K48_PROGRAM};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return std::make_unique<ChildProcess>(std::move(command), Environment(overrides));
}

void XSession::ShowPattern() {
    picture_ = std::make_unique<ChildProcess>(std::vector<std::string>{NUVO_TEST_PICTURE_PROGRAM},
                                              Environment());
    const Picture expected = headless::PatternPicture(width_, height_);
    if (!WaitUntil([&] { return CaptureScreen() == expected; }, 10s)) {
        throw std::runtime_error("the test picture did not appear on " + displayName_);
    }
}

std::unique_ptr<ChildProcess> XSession::StartExpectedErrorBox(const std::string& text,
                                                              const std::string& title) {
    return std::make_unique<ChildProcess>(
        std::vector<std::string>{NUVO_TEST_MESSAGE_BOX_PROGRAM, text, title}, Environment());
}

void XSession::Xdotool(const std::vector<std::string>& arguments) {
    std::vector<std::string> command{"xdotool"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    ChildProcess tool(std::move(command), Environment());
    if (tool.WaitForExit(10s) != 0) throw std::runtime_error("xdotool failed");
}

void XSession::MovePointerRepeatedly(int count) {
    for (int i = 0; i < count; ++i) {
        const int at = i % 2 == 0 ? 10 : 20;
        XTestFakeMotionEvent(display_, -1, at, at, CurrentTime);
    }
    XSync(display_, False);
}

void XSession::KillServer() {
    picture_.reset();
    XCloseDisplay(display_);
    display_ = nullptr;
    // The server goes with the script that started it (its parent-death signal).
    kill(server_->Pid(), SIGKILL);
    server_->WaitForExit(5s);
}

Picture XSession::Capture(int x, int y, int width, int height) {
    Picture picture{width, height, {}};
    XImage* image = XGetImage(display_, DefaultRootWindow(display_), x, y,
                              static_cast<unsigned>(width), static_cast<unsigned>(height),
                              AllPlanes, ZPixmap);
    if (image == nullptr) throw std::runtime_error("cannot read the screen");
    picture.pixels.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            picture.pixels.push_back(
                static_cast<std::uint32_t>(XGetPixel(image, column, row) & 0xFFFFFF));
        }
    }
    XDestroyImage(image);
    return picture;
}

Picture XSession::CaptureWindow(XWindow window) {
    const Bounds bounds = WindowBounds(window);
    return Capture(bounds.left, bounds.top, bounds.width, bounds.height);
}

std::vector<XWindow> XSession::TopLevelWindows() {
    const std::vector<Window> children = RootChildren(display_);
    return {children.begin(), children.end()};
}

std::string XSession::WindowClass(XWindow window) {
    XClassHint hint{};
    if (!XGetClassHint(display_, window, &hint)) return "";
    std::string name = hint.res_class ? hint.res_class : "";
    if (hint.res_name) XFree(hint.res_name);
    if (hint.res_class) XFree(hint.res_class);
    return name;
}

// No window manager runs in these sessions, so the top-level windows are root children.
std::vector<XWindow> XSession::MappedWindowsOfClass(std::string_view className) {
    std::vector<XWindow> found;
    for (Window window : RootChildren(display_)) {
        if (HasClass(display_, window, className) && Viewable(display_, window)) {
            found.push_back(window);
        }
    }
    return found;
}

std::vector<XWindow> XSession::MappedWindowsTitled(std::string_view title) {
    std::vector<XWindow> found;
    for (Window window : RootChildren(display_)) {
        if (Viewable(display_, window) && WindowTitle(window) == title) found.push_back(window);
    }
    return found;
}

XSession::Bounds XSession::WindowBounds(XWindow window) {
    XWindowAttributes attributes{};
    XGetWindowAttributes(display_, window, &attributes);
    return {attributes.x, attributes.y, attributes.width, attributes.height};
}

bool XSession::OverrideRedirect(XWindow window) {
    XWindowAttributes attributes{};
    return XGetWindowAttributes(display_, window, &attributes) && attributes.override_redirect;
}

XWindow XSession::TopmostWindow() {
    const std::vector<Window> children = RootChildren(display_);  // bottom to top
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        if (Viewable(display_, *it)) return *it;
    }
    return 0;
}

std::string XSession::WindowTitle(XWindow window) {
    const Atom netName = XInternAtom(display_, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display_, "UTF8_STRING", False);
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(display_, window, netName, 0, 1024, False, utf8, &type, &format,
                           &items, &after, &data) == Success &&
        data != nullptr) {
        title.assign(reinterpret_cast<char*>(data), items);
    }
    if (data) XFree(data);
    return title;
}

std::vector<std::string> XSession::WindowStates(XWindow window) {
    const Atom state = XInternAtom(display_, "_NET_WM_STATE", False);
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<std::string> names;
    if (XGetWindowProperty(display_, window, state, 0, 64, False, XA_ATOM, &type, &format, &items,
                           &after, &data) == Success &&
        data != nullptr) {
        const auto* atoms = reinterpret_cast<const Atom*>(data);
        for (unsigned long i = 0; i < items; ++i) {
            char* name = XGetAtomName(display_, atoms[i]);
            names.emplace_back(name ? name : "");
            if (name) XFree(name);
        }
    }
    if (data) XFree(data);
    return names;
}

bool XSession::FixedSize(XWindow window, int width, int height) {
    XSizeHints hints{};
    long supplied = 0;
    if (!XGetWMNormalHints(display_, window, &hints, &supplied)) return false;
    return (hints.flags & PMinSize) && (hints.flags & PMaxSize) && hints.min_width == width &&
           hints.max_width == width && hints.min_height == height && hints.max_height == height;
}

void XSession::CreateFramedClient(std::string_view className) {
    const Window root = DefaultRootWindow(display_);
    const Window frame = XCreateSimpleWindow(display_, root, 0, 0, 100, 100, 0, 0, 0);
    const Window client = XCreateSimpleWindow(display_, frame, 0, 20, 100, 80, 0, 0, 0);
    std::string instance = "client", klass(className);
    XClassHint hint{instance.data(), klass.data()};
    XSetClassHint(display_, client, &hint);
    const Atom wmState = XInternAtom(display_, "WM_STATE", False);
    const long normalState[2] = {NormalState, None};
    XChangeProperty(display_, client, wmState, wmState, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(normalState), 2);
    XSync(display_, False);
}

XWindow XSession::TransientFor(XWindow window) {
    Window owner = 0;
    return XGetTransientForHint(display_, window, &owner) ? owner : 0;
}

XWindow XSession::FocusedWindow() {
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display_, &focus, &revert);
    return focus;
}

void XSession::RequestClose(XWindow window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display_, window, False, NoEventMask, &event);
    XFlush(display_);
}

void XSession::DestroyWindow(XWindow window) {
    XDestroyWindow(display_, window);
    XSync(display_, False);
}

bool XSession::KeyboardGrabbedElsewhere() {
    const int result = XGrabKeyboard(display_, helperWindow_, False, GrabModeAsync,
                                     GrabModeAsync, CurrentTime);
    if (result == GrabSuccess) XUngrabKeyboard(display_, CurrentTime);
    XSync(display_, False);
    return result == AlreadyGrabbed;
}

bool XSession::PointerGrabbedElsewhere() {
    const int result = XGrabPointer(display_, DefaultRootWindow(display_), False, 0,
                                    GrabModeAsync, GrabModeAsync, None, None, CurrentTime);
    if (result == GrabSuccess) XUngrabPointer(display_, CurrentTime);
    XSync(display_, False);
    return result == AlreadyGrabbed;
}

bool XSession::CursorInvisible() {
    XFixesCursorImage* cursor = XFixesGetCursorImage(display_);
    if (cursor == nullptr) throw std::runtime_error("cannot read the cursor");
    bool invisible = true;
    for (int i = 0; i < cursor->width * cursor->height; ++i) {
        if ((cursor->pixels[i] >> 24) != 0) invisible = false;
    }
    XFree(cursor);
    return invisible;
}

void XSession::StartWatchingCursor() {
    int errorBase = 0;
    XFixesQueryExtension(display_, &fixesEventBase_, &errorBase);
    XFixesSelectCursorInput(display_, DefaultRootWindow(display_), XFixesDisplayCursorNotifyMask);
    XSelectInput(display_, DefaultRootWindow(display_), SubstructureNotifyMask);
    XSync(display_, True);  // forget what happened before
}

bool XSession::CursorChangedWhileMapped(XWindow window, Milliseconds timeout) {
    bool changed = false, gone = false;
    WaitUntil(
        [&] {
            XSync(display_, False);
            while (!gone && XPending(display_) > 0) {
                XEvent event;
                XNextEvent(display_, &event);
                if (event.type == fixesEventBase_ + XFixesCursorNotify) changed = true;
                gone = (event.type == UnmapNotify && event.xunmap.window == window) ||
                       (event.type == DestroyNotify && event.xdestroywindow.window == window);
            }
            return gone;
        },
        timeout);
    return gone && changed;
}

void XSession::StartCountingMaps() {
    XSelectInput(display_, DefaultRootWindow(display_), SubstructureNotifyMask);
    XSync(display_, True);  // forget what happened before
    mapsCounted_ = 0;
}

int XSession::MapsCounted() {
    XSync(display_, False);
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        if (event.type == MapNotify) ++mapsCounted_;
    }
    return mapsCounted_;
}

std::string XSession::ClipboardText() {
    const Atom clipboard = XInternAtom(display_, "CLIPBOARD", False);
    const Atom utf8 = XInternAtom(display_, "UTF8_STRING", False);
    const Atom target = XInternAtom(display_, "NUVO_TEST_CLIPBOARD", False);
    XConvertSelection(display_, clipboard, utf8, target, helperWindow_, CurrentTime);
    XFlush(display_);
    XEvent event{};
    const bool answered = WaitUntil(
        [&] { return XCheckTypedWindowEvent(display_, helperWindow_, SelectionNotify, &event); },
        3s);
    if (!answered || event.xselection.property == None) return {};
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    std::string text;
    if (XGetWindowProperty(display_, helperWindow_, target, 0, 1 << 16, True, AnyPropertyType,
                           &type, &format, &items, &after, &data) == Success &&
        data != nullptr) {
        text.assign(reinterpret_cast<char*>(data), items);
    }
    if (data) XFree(data);
    return text;
}

}  // namespace nuvo::qt_test
