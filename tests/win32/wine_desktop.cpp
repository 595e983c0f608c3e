#include "wine_desktop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "test_picture.h"

namespace nuvo::wine_test {
namespace {

// A folder of the Linux side that both the Unix tools and this program can reach; the run
// script makes it. Wine maps the Unix root to drive Z:.
std::string WorkDirectory() {
    const char* work = std::getenv("NUVO_WINE_WORK");
    return work != nullptr ? work : "/tmp";
}

std::wstring WindowsPathOf(const std::string& unixPath) {
    std::wstring path = L"Z:" + Widen(unixPath);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

std::optional<std::string> ReadFileBytes(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::uint32_t BigEndian32(const std::string& bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value = value << 8 | static_cast<unsigned char>(bytes[offset + i]);
    return value;
}

int LowestBit(std::uint32_t mask) {
    int shift = 0;
    while (mask != 0 && (mask & 1) == 0) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

// An X window dump (XWD, ZPixmap of 32 bits per pixel) as 0x00RRGGBB pixels.
ScreenImage ParseXwd(const std::string& bytes) {
    ScreenImage image;
    if (bytes.size() < 100) return image;
    const auto field = [&](std::size_t index) { return BigEndian32(bytes, index * 4); };
    const std::uint32_t headerSize = field(0), format = field(2), width = field(4),
                        height = field(5), byteOrder = field(7), bitsPerPixel = field(11),
                        bytesPerLine = field(12), redMask = field(14), greenMask = field(15),
                        blueMask = field(16), colours = field(19);
    if (format != 2 || bitsPerPixel != 32) return image;
    const std::size_t data = headerSize + std::size_t{colours} * 12;
    if (bytes.size() < data + std::size_t{bytesPerLine} * height) return image;
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    image.pixels.resize(std::size_t{width} * height);
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            const std::size_t at = data + std::size_t{y} * bytesPerLine + std::size_t{x} * 4;
            std::uint32_t pixel = 0;
            for (std::size_t i = 0; i < 4; ++i) {
                const std::uint32_t byte = static_cast<unsigned char>(bytes[at + i]);
                pixel |= byteOrder == 0 ? byte << (8 * i) : byte << (8 * (3 - i));
            }
            const auto channel = [&](std::uint32_t mask) {
                return ((pixel & mask) >> LowestBit(mask)) & 0xFF;
            };
            image.pixels[std::size_t{y} * width + x] =
                channel(redMask) << 16 | channel(greenMask) << 8 | channel(blueMask);
        }
    }
    return image;
}

}  // namespace

std::wstring Widen(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int size = static_cast<int>(utf8.size());
    std::wstring text(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, text.data(), static_cast<int>(text.size()));
    return text;
}

std::string Narrow(std::wstring_view utf16) {
    if (utf16.empty()) return {};
    const int size = static_cast<int>(utf16.size());
    std::string text(static_cast<std::size_t>(
                         WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, nullptr, 0, nullptr, nullptr)),
                     '\0');
    WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, text.data(), static_cast<int>(text.size()),
                        nullptr, nullptr);
    return text;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(20);
    }
}

// --- processes ---------------------------------------------------------------------------

Process::Process(const std::wstring& application, const std::wstring& commandLine) {
    std::wstring line = commandLine;  // CreateProcessW may write into it
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    started_ = CreateProcessW(application.empty() ? nullptr : application.c_str(), line.data(),
                              nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info_) != 0;
}

Process::~Process() {
    if (!info_.hProcess) return;
    if (Running()) {
        TerminateProcess(info_.hProcess, 99);
        WaitForSingleObject(info_.hProcess, 5000);
    }
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
}

bool Process::WaitForExit(DWORD timeoutMs) {
    return info_.hProcess && WaitForSingleObject(info_.hProcess, timeoutMs) == WAIT_OBJECT_0;
}

bool Process::Running() {
    return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

DWORD Process::ExitCode() {
    DWORD code = 0;
    GetExitCodeProcess(info_.hProcess, &code);
    return code;
}

Process StartSaverProgram(std::string_view arguments) {
    const std::wstring program = WindowsPathOf(NUVO_SAVER_PATH);
    std::wstring line = L"\"" + program + L"\"";
    if (!arguments.empty()) line += L" " + Widen(arguments);
    return Process(program, line);
}

// --- windows -----------------------------------------------------------------------------

HWND FindTopWindow(const wchar_t* className) { return FindWindowW(className, nullptr); }

HWND WaitForVisibleWindow(const wchar_t* className, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil([&] {
        found = FindTopWindow(className);
        return found != nullptr && IsWindowVisible(found);
    }, timeoutMs);
    return found != nullptr && IsWindowVisible(found) ? found : nullptr;
}

std::wstring WindowText(HWND hwnd) {
    std::array<wchar_t, 512> text{};
    const int length = GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()));
    return std::wstring(text.data(), static_cast<std::size_t>(std::max(length, 0)));
}

std::wstring ClassName(HWND hwnd) {
    std::array<wchar_t, 256> name{};
    const int length = GetClassNameW(hwnd, name.data(), static_cast<int>(name.size()));
    return std::wstring(name.data(), static_cast<std::size_t>(std::max(length, 0)));
}

std::vector<HWND> ChildWindows(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

// --- the X server ------------------------------------------------------------------------

int RunUnixCommand(const std::string& command) {
    // Wine starts Unix programs but does not tell when they end, so the shell leaves its
    // status in a file at the very end.
    static int serial = 0;
    const std::string status = WorkDirectory() + "/unix-" + std::to_string(++serial) + ".status";
    const std::wstring line = L"/bin/sh -c \"" + Widen(command) + L"; echo $? > " +
                              Widen(status) + L".part && mv " + Widen(status) + L".part " +
                              Widen(status) + L"\"";
    Process shell(L"", line);
    if (!shell.Started()) {
        ADD_FAILURE() << "cannot start /bin/sh: error " << GetLastError();
        return -1;
    }
    std::optional<std::string> result;
    if (!WaitUntil([&] { return (result = ReadFileBytes(WindowsPathOf(status))).has_value(); }, 30000)) {
        ADD_FAILURE() << "no status from: " << command;
        return -1;
    }
    DeleteFileW(WindowsPathOf(status).c_str());
    return std::atoi(result->c_str());
}

void Xdotool(const std::string& arguments) {
    EXPECT_EQ(RunUnixCommand("xdotool " + arguments), 0) << "xdotool " << arguments;
}

void MoveMouseSomewhere() {
    static int step = 0;
    ++step;
    Xdotool("mousemove " + std::to_string(40 + (step * 37) % 500) + " " +
            std::to_string(40 + (step * 23) % 380));
}

void MovePointerInto(HWND window) {
    RECT bounds{};
    GetWindowRect(window, &bounds);
    Xdotool("mousemove " + std::to_string((bounds.left + bounds.right) / 2) + " " +
            std::to_string((bounds.top + bounds.bottom) / 2));
}

ScreenImage GrabScreen() {
    const std::string file = WorkDirectory() + "/screen.xwd";
    if (RunUnixCommand("xwd -root -silent -out " + file) != 0) return {};
    const std::optional<std::string> bytes = ReadFileBytes(WindowsPathOf(file));
    return bytes ? ParseXwd(*bytes) : ScreenImage{};
}

ScreenImage TestPicture(int width, int height) {
    ScreenImage image{width, height, std::vector<std::uint32_t>(static_cast<std::size_t>(width) *
                                                                static_cast<std::size_t>(height))};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                         static_cast<std::size_t>(x)] = TestPicturePixel(x, y);
        }
    }
    return image;
}

bool SameImage(const ScreenImage& a, const ScreenImage& b) {
    return a.width == b.width && a.height == b.height && a.pixels == b.pixels;
}

PictureOnScreen::PictureOnScreen()
    : fixture_(WindowsPathOf(NUVO_PICTURE_PATH), L"nuvo_test_picture") {
    const ScreenImage expected =
        TestPicture(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    shown_ = WaitUntil([&] { return SameImage(GrabScreen(), expected); });
}

// --- the settings file -------------------------------------------------------------------

std::wstring SettingsFilePath() {
    std::array<wchar_t, MAX_PATH> directory{};
    GetWindowsDirectoryW(directory.data(), static_cast<UINT>(directory.size()));
    return std::wstring(directory.data()) + L"\\nuvo_k48.ini";
}

void RemoveSettingsFile() {
    const std::wstring path = SettingsFilePath();
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveDirectoryW(path.c_str());
    } else {
        DeleteFileW(path.c_str());
    }
}

void WriteSettingsFile(std::string_view bytes) {
    RemoveSettingsFile();
    std::ofstream(std::filesystem::path(SettingsFilePath()), std::ios::binary) << bytes;
}

std::optional<std::string> ReadSettingsFile() {
    const DWORD attributes = GetFileAttributesW(SettingsFilePath().c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return std::nullopt;
    }
    return ReadFileBytes(SettingsFilePath());
}

}  // namespace nuvo::wine_test
