// Our INI store: the two Windows profile functions the program uses, for platforms that do
// not have them (the headless desktop of the tests, Linux).
//
//   ProfileStore store(directory);                        // or (directory, faultInjector)
//   store.GetString("nuvo_k48", "Speed", "nuvo_k48.ini")  // value text, or ""
//   store.WriteString("nuvo_k48", "Speed", "500", "nuvo_k48.ini")  // false on failure
//
// A bare file name lives in the store's directory (as one does in the Windows directory);
// a file name with a directory part is taken relative to it, an absolute one as it stands.
// The INI text rules, the first-match rules and the way a rewrite keeps everything else are
// those of platform/profile/ini_text.h.
//
// Reading never fails: a missing or unreadable file (a directory in its place, more than
// kMaxFileBytes, garbage) reads as having no keys, and a value is cut to kMaxValueBytes.
//
// Writing one key replaces the whole file atomically: the new text goes to a temporary file
// in the same directory, is synced, and is renamed over the old file; the directory is
// created first if it is missing. If any step fails, or the old file cannot be read, the old
// file stays exactly as it was, the temporary file is removed and WriteString returns false.
// The new file keeps the old one's permission bits, and its owner and group as far as the
// process may give them; a file the process may not write (read-only to its owner, say) is
// not replaced, and the write fails. A file that is new gets 0666 less the umask.
// New lines take the line break the file already uses (that of its first line); a file
// without one, a new file included, gets CRLF as on Windows, so the same file reads the same
// on every platform. A new file with the four default settings is therefore
// "[nuvo_k48]\r\nKomakasa=1\r\nSpeed=350\r\nAmp=10\r\nTate=0\r\n".
// A symbolic link in the file's place is followed, through further links, to the file it
// names, and that file is the one replaced, with its temporary file beside it; the links stay.
// A link to a file not there yet creates that file (its directory must exist); a link that
// cannot be read, or a chain of more than 40 links (a loop), makes the write fail.
// Nothing is cached: every call goes to the file. Not safe for concurrent writers.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/profile/file_operations.h"

namespace nuvo {

class ProfileStore {
public:
    // What GetPrivateProfileString returns at most into its 1024-byte buffer.
    static constexpr std::size_t kMaxValueBytes = 1023;
    // A larger file is treated as unreadable, and never rewritten.
    static constexpr std::size_t kMaxFileBytes = std::size_t{64} << 20;

    // `files` must outlive the store.
    explicit ProfileStore(std::filesystem::path directory,
                          FileOperations& files = SystemFileOperations());

    const std::filesystem::path& Directory() const { return directory_; }
    // Where the file of this name lives.
    std::filesystem::path PathOf(std::string_view fileName) const;

    // The key's value, or "" when the file, the section or the key is missing.
    std::string GetString(std::string_view section, std::string_view key,
                          std::string_view fileName) const;
    // Sets the key, creating directory, file and section as needed; false when the file could
    // not be replaced, or when the names or value cannot be stored (ini::IsWritable).
    bool WriteString(std::string_view section, std::string_view key, std::string_view value,
                     std::string_view fileName);

private:
    std::filesystem::path directory_;
    FileOperations& files_;
};

}  // namespace nuvo
