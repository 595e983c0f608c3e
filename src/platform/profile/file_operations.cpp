#include "platform/profile/file_operations.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <random>
#include <string_view>
#include <system_error>

namespace nuvo {

namespace {

// Calls a POSIX function again while a signal interrupts it.
template <typename Call>
auto RetryOnInterrupt(Call call) {
    auto result = call();
    while (result < 0 && errno == EINTR) result = call();
    return result;
}

void CloseDescriptor(int descriptor) { ::close(descriptor); }  // EINTR: the fd is gone anyway

// Opens a new file ".<target name>.XXXXXX" beside the target, the X's random, as mkostemp
// does, but created with `mode`, so that the umask applies as it does to any new file
// (mkostemp's files are always 0600).
std::optional<TemporaryFile> CreateUniqueFile(const std::filesystem::path& target, mode_t mode) {
    static constexpr std::string_view kLetters =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::minstd_rand generator(std::random_device{}());
    for (int attempt = 0; attempt < 100; ++attempt) {
        // Built by appending: GCC 12 at -O3 warns falsely (-Wrestrict) on "." + string.
        std::string name = ".";
        name += target.filename().string();
        name += '.';
        for (int letter = 0; letter < 6; ++letter) name += kLetters[generator() % kLetters.size()];
        std::string path = target.parent_path() / name;
        const int descriptor = RetryOnInterrupt([&] {
            return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        });
        if (descriptor >= 0) return TemporaryFile{std::move(path), descriptor};
        if (errno != EEXIST) return std::nullopt;
    }
    return std::nullopt;
}

// Gives the new file the owner, group and permission bits of the old one. Only root may
// give a file away, and only a member of a group may give a file to it; what the process
// may not give (EPERM), or cannot name in its user namespace (EINVAL), stays its own.
// The mode comes last, as a change of owner clears the set-ID bits.
bool TakeOwnerAndMode(int descriptor, const struct stat& old) {
    const auto mayNotGive = [] { return errno == EPERM || errno == EINVAL; };
    if (::fchown(descriptor, old.st_uid, old.st_gid) != 0) {
        if (!mayNotGive()) return false;
        if (::fchown(descriptor, static_cast<uid_t>(-1), old.st_gid) != 0 && !mayNotGive()) {
            return false;
        }
    }
    return ::fchmod(descriptor, old.st_mode & 07777) == 0;
}

}  // namespace

ReadResult PosixFileOperations::ReadFile(const std::filesystem::path& file, std::size_t maxBytes,
                                         std::string& contents) {
    contents.clear();
    // Non-blocking, so that a FIFO in the file's place cannot hang the program.
    const int descriptor = RetryOnInterrupt(
        [&] { return ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK); });
    if (descriptor < 0) {
        return (errno == ENOENT || errno == ENOTDIR) ? ReadResult::Missing : ReadResult::Failed;
    }
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode) ||
        static_cast<std::uintmax_t>(status.st_size) > maxBytes) {
        CloseDescriptor(descriptor);
        return ReadResult::Failed;
    }
    contents.resize(static_cast<std::size_t>(status.st_size));
    std::size_t filled = 0;
    // Reads to the end even if the file has grown since fstat, but never past maxBytes.
    for (;;) {
        if (filled == contents.size()) {
            if (contents.size() >= maxBytes + 1) break;
            contents.resize(std::min(maxBytes + 1, contents.size() + 4096));
        }
        const ssize_t got = RetryOnInterrupt(
            [&] { return ::read(descriptor, contents.data() + filled, contents.size() - filled); });
        if (got < 0) {
            CloseDescriptor(descriptor);
            contents.clear();
            return ReadResult::Failed;
        }
        if (got == 0) break;
        filled += static_cast<std::size_t>(got);
    }
    CloseDescriptor(descriptor);
    contents.resize(filled);
    if (filled > maxBytes) {
        contents.clear();
        return ReadResult::Failed;
    }
    return ReadResult::Ok;
}

bool PosixFileOperations::CreateDirectories(const std::filesystem::path& directory) {
    if (directory.empty()) return true;  // the current directory
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    return std::filesystem::is_directory(directory, error);
}

std::optional<std::filesystem::path> PosixFileOperations::FollowLinks(
    const std::filesystem::path& file) {
    std::filesystem::path current = file;
    for (int followed = 0;; ++followed) {
        struct stat status {};
        // Anything but a link ends the chain, nothing at all included; what is wrong with
        // it shows when it is read or replaced.
        if (::lstat(current.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return current;
        if (followed == kMaxLinks) return std::nullopt;
        std::string linkText(PATH_MAX, '\0');
        const ssize_t length = ::readlink(current.c_str(), linkText.data(), linkText.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= linkText.size()) return std::nullopt;
        linkText.resize(static_cast<std::size_t>(length));
        // An absolute link text replaces the whole path.
        current = current.parent_path() / linkText;
    }
}

std::optional<TemporaryFile> PosixFileOperations::CreateTemporary(
    const std::filesystem::path& target) {
    struct stat old {};
    const bool replacing = ::stat(target.c_str(), &old) == 0;
    // A file the process may not write is not replaced either, as writing it in place would
    // be refused.
    if (replacing && ::access(target.c_str(), W_OK) != 0 && (errno == EACCES || errno == EROFS)) {
        return std::nullopt;
    }
    // A replacement stays private until it has the old file's owner, group and mode.
    std::optional<TemporaryFile> file = CreateUniqueFile(target, replacing ? 0600 : 0666);
    if (file && replacing && !TakeOwnerAndMode(file->descriptor, old)) {
        Discard(*file);
        return std::nullopt;
    }
    return file;
}

bool PosixFileOperations::Write(TemporaryFile& file, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = RetryOnInterrupt(
            [&] { return ::write(file.descriptor, bytes.data(), bytes.size()); });
        if (written <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool PosixFileOperations::Flush(TemporaryFile& file) {
    const bool synced = RetryOnInterrupt([&] { return ::fsync(file.descriptor); }) == 0;
    const bool closed = ::close(file.descriptor) == 0;
    file.descriptor = -1;
    return synced && closed;
}

bool PosixFileOperations::Rename(const TemporaryFile& file, const std::filesystem::path& target) {
    if (::rename(file.path.c_str(), target.c_str()) != 0) return false;
    // Make the new directory entry durable. The file is already replaced, so a failure here
    // changes nothing the caller could act on.
    const std::filesystem::path directory =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    const int descriptor = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor >= 0) {
        ::fsync(descriptor);
        CloseDescriptor(descriptor);
    }
    return true;
}

void PosixFileOperations::Discard(TemporaryFile& file) {
    if (file.descriptor >= 0) {
        CloseDescriptor(file.descriptor);
        file.descriptor = -1;
    }
    ::unlink(file.path.c_str());
}

FileOperations& SystemFileOperations() {
    static PosixFileOperations operations;
    return operations;
}

// --- fault injection -------------------------------------------------------------------------

FaultInjectingFileOperations::FaultInjectingFileOperations(FileOperations& inner)
    : inner_(inner) {}

void FaultInjectingFileOperations::FailCall(FileStep step, int callNumber) {
    failCalls_.emplace(step, callNumber);
}

void FaultInjectingFileOperations::ClearFailures() {
    failEvery_.fill(false);
    failCalls_.clear();
}

bool FaultInjectingFileOperations::CountAndCheck(FileStep step) {
    const int call = ++calls_[Index(step)];
    return failEvery_[Index(step)] || failCalls_.erase({step, call}) > 0;
}

ReadResult FaultInjectingFileOperations::ReadFile(const std::filesystem::path& file,
                                                  std::size_t maxBytes, std::string& contents) {
    if (CountAndCheck(FileStep::Read)) {
        contents.clear();
        return ReadResult::Failed;
    }
    return inner_.ReadFile(file, maxBytes, contents);
}

bool FaultInjectingFileOperations::CreateDirectories(const std::filesystem::path& directory) {
    if (CountAndCheck(FileStep::CreateDirectory)) return false;
    return inner_.CreateDirectories(directory);
}

std::optional<TemporaryFile> FaultInjectingFileOperations::CreateTemporary(
    const std::filesystem::path& target) {
    if (CountAndCheck(FileStep::CreateTemporary)) return std::nullopt;
    return inner_.CreateTemporary(target);
}

bool FaultInjectingFileOperations::Write(TemporaryFile& file, std::string_view bytes) {
    if (CountAndCheck(FileStep::Write)) {
        inner_.Write(file, bytes.substr(0, bytes.size() / 2));
        return false;
    }
    return inner_.Write(file, bytes);
}

bool FaultInjectingFileOperations::Flush(TemporaryFile& file) {
    const bool fail = CountAndCheck(FileStep::Flush);
    const bool flushed = inner_.Flush(file);
    return flushed && !fail;
}

bool FaultInjectingFileOperations::Rename(const TemporaryFile& file,
                                          const std::filesystem::path& target) {
    if (CountAndCheck(FileStep::Rename)) return false;
    return inner_.Rename(file, target);
}

std::optional<std::filesystem::path> FaultInjectingFileOperations::FollowLinks(
    const std::filesystem::path& file) {
    return inner_.FollowLinks(file);
}

void FaultInjectingFileOperations::Discard(TemporaryFile& file) { inner_.Discard(file); }

}  // namespace nuvo
