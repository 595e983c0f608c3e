#include "platform/profile/profile_store.h"

#include <optional>
#include <utility>

#include "platform/profile/ini_text.h"

namespace nuvo {

ProfileStore::ProfileStore(std::filesystem::path directory, FileOperations& files)
    : directory_(std::move(directory)), files_(files) {}

std::filesystem::path ProfileStore::PathOf(std::string_view fileName) const {
    return directory_ / std::filesystem::path(fileName);
}

std::string ProfileStore::GetString(std::string_view section, std::string_view key,
                                    std::string_view fileName) const {
    std::string text;
    if (files_.ReadFile(PathOf(fileName), kMaxFileBytes, text) != ReadResult::Ok) return {};
    const std::optional<std::string_view> value = ini::FindValue(text, section, key);
    if (!value) return {};
    return std::string(value->substr(0, kMaxValueBytes));
}

bool ProfileStore::WriteString(std::string_view section, std::string_view key,
                               std::string_view value, std::string_view fileName) {
    const std::filesystem::path file = PathOf(fileName);
    if (file.filename().empty()) return false;  // names a directory, not a file
    if (!ini::IsWritable(section, key, value)) return false;
    if (!files_.CreateDirectories(file.parent_path())) return false;
    // A symbolic link stays a link: the file it leads to is the one replaced.
    const std::optional<std::filesystem::path> target = files_.FollowLinks(file);
    if (!target || target->filename().empty()) return false;

    std::string oldText;
    // A file we cannot read is never replaced: its keys would be lost.
    if (files_.ReadFile(*target, kMaxFileBytes, oldText) == ReadResult::Failed) return false;
    const std::optional<std::string> newText = ini::SetValue(oldText, section, key, value);
    if (!newText) return false;

    std::optional<TemporaryFile> temporary = files_.CreateTemporary(*target);
    if (!temporary) return false;
    if (files_.Write(*temporary, *newText) && files_.Flush(*temporary) &&
        files_.Rename(*temporary, *target)) {
        return true;
    }
    files_.Discard(*temporary);
    return false;
}

}  // namespace nuvo
