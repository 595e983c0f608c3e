// The few file operations the profile store is made of, behind an interface so that a test
// can make any one of them fail on a chosen call.
#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>

namespace nuvo {

// A file being written beside its target, open until Flush or Discard.
struct TemporaryFile {
    std::filesystem::path path;
    int descriptor = -1;  // -1: closed
};

enum class ReadResult { Ok, Missing, Failed };

// The steps of reading and replacing a file, named for fault injection.
enum class FileStep { Read, CreateDirectory, CreateTemporary, Write, Flush, Rename };
inline constexpr std::size_t kFileStepCount = 6;

class FileOperations {
public:
    virtual ~FileOperations() = default;

    // Reads a whole regular file. Missing: it (or a directory on its path) does not exist.
    // Failed: anything else, a directory or other non-regular file in its place, or a file
    // larger than `maxBytes` included; `contents` is then empty.
    virtual ReadResult ReadFile(const std::filesystem::path& file, std::size_t maxBytes,
                                std::string& contents) = 0;
    // Makes sure the directory exists, creating it and its parents as needed.
    virtual bool CreateDirectories(const std::filesystem::path& directory) = 0;
    // The file that writing to `file` reaches: `file` itself unless it is a symbolic link,
    // else the end of the chain of links, which need not exist yet. A relative link is taken
    // from the link's own directory. nullopt when a link cannot be read or the chain does not
    // end (a loop).
    virtual std::optional<std::filesystem::path> FollowLinks(const std::filesystem::path& file) = 0;
    // Creates and opens a new, uniquely named file in the directory of `target`. If `target`
    // exists, the new file gets its permission bits, and its owner and group as far as the
    // process may give them; if the process may not write `target`, nothing is created and
    // the result is nullopt. A new file's mode is 0666 less the umask, as for any new file.
    virtual std::optional<TemporaryFile> CreateTemporary(const std::filesystem::path& target) = 0;
    // Writes all of `bytes` to the end of the file.
    virtual bool Write(TemporaryFile& file, std::string_view bytes) = 0;
    // Forces the contents to the storage device and closes the file, even on failure.
    virtual bool Flush(TemporaryFile& file) = 0;
    // Replaces `target` by the closed temporary file in one step.
    virtual bool Rename(const TemporaryFile& file, const std::filesystem::path& target) = 0;
    // Closes the file if it is open and removes it. Cannot fail in a way the caller could mend.
    virtual void Discard(TemporaryFile& file) = 0;
};

// The real thing, on POSIX calls. Temporary files are named ".<target name>.XXXXXX"; after a
// rename the directory is synced too. Whether the process may write a file is asked of
// access(2), so root writes any file.
class PosixFileOperations final : public FileOperations {
public:
    // FollowLinks gives up after this many links, as the kernel does when it opens a path.
    static constexpr int kMaxLinks = 40;

    ReadResult ReadFile(const std::filesystem::path& file, std::size_t maxBytes,
                        std::string& contents) override;
    bool CreateDirectories(const std::filesystem::path& directory) override;
    std::optional<std::filesystem::path> FollowLinks(const std::filesystem::path& file) override;
    std::optional<TemporaryFile> CreateTemporary(const std::filesystem::path& target) override;
    bool Write(TemporaryFile& file, std::string_view bytes) override;
    bool Flush(TemporaryFile& file) override;
    bool Rename(const TemporaryFile& file, const std::filesystem::path& target) override;
    void Discard(TemporaryFile& file) override;
};

// One process-wide instance of PosixFileOperations.
FileOperations& SystemFileOperations();

// Passes every call on to another FileOperations, except the calls a test has chosen to
// fail. Calls of each step are counted from 1 since construction. A failed Read reports
// Failed; a failed CreateTemporary creates nothing; a failed Write first writes half of the
// bytes, as a full disk would; a failed Flush still syncs and closes the file but reports
// failure; a failed Rename leaves both files as they were. FollowLinks and Discard are never
// failed.
class FaultInjectingFileOperations final : public FileOperations {
public:
    explicit FaultInjectingFileOperations(FileOperations& inner = SystemFileOperations());

    // The call with this number (counted since construction, from 1) of the step fails.
    void FailCall(FileStep step, int callNumber);
    // The next call of the step fails.
    void FailNextCall(FileStep step) { FailCall(step, Calls(step) + 1); }
    // Every call of the step fails until ClearFailures.
    void FailEveryCall(FileStep step) { failEvery_[Index(step)] = true; }
    void ClearFailures();
    // How many calls of the step have been made, failed ones included.
    int Calls(FileStep step) const { return calls_[Index(step)]; }

    ReadResult ReadFile(const std::filesystem::path& file, std::size_t maxBytes,
                        std::string& contents) override;
    bool CreateDirectories(const std::filesystem::path& directory) override;
    std::optional<std::filesystem::path> FollowLinks(const std::filesystem::path& file) override;
    std::optional<TemporaryFile> CreateTemporary(const std::filesystem::path& target) override;
    bool Write(TemporaryFile& file, std::string_view bytes) override;
    bool Flush(TemporaryFile& file) override;
    bool Rename(const TemporaryFile& file, const std::filesystem::path& target) override;
    void Discard(TemporaryFile& file) override;

private:
    static std::size_t Index(FileStep step) { return static_cast<std::size_t>(step); }
    // Counts the call and tells whether it is one to fail.
    bool CountAndCheck(FileStep step);

    FileOperations& inner_;
    std::array<int, kFileStepCount> calls_{};
    std::array<bool, kFileStepCount> failEvery_{};
    std::set<std::pair<FileStep, int>> failCalls_;
};

}  // namespace nuvo
