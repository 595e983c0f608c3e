// Our INI text rules on any bytes. Reading never fails. Rewriting one key gives a text that
// reads again, reads that key back as written, and holds every other line as it was: the
// lines of the two texts differ only in the one entry that changed, the one entry that was
// added, or the section header and entry added at the end.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fuzz_check.h"
#include "platform/profile/ini_text.h"

namespace {

using namespace nuvo::ini;
using nuvo::fuzz::Check;

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

struct TextLine {
    LineKind kind;
    std::string_view name;
    std::string_view value;
    std::string_view lineBreak;
};

std::vector<TextLine> LinesOf(std::string_view text) {
    std::vector<TextLine> lines;
    LineReader reader(text);
    Line line;
    while (reader.Next(line)) {
        lines.push_back({line.kind, line.name, line.value, text.substr(line.end, line.next - line.end)});
    }
    return lines;
}

// The last line of a text may gain a line break when a line is added after it.
bool Kept(const TextLine& before, const TextLine& after) {
    return before.kind == after.kind && before.name == after.name && before.value == after.value &&
           (before.lineBreak.empty() || before.lineBreak == after.lineBreak);
}

std::string_view Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return text.substr(text.size());
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A name that the text holds, the `pick`-th of that kind, to aim rewrites at existing lines.
std::optional<std::string> NameInText(const std::vector<TextLine>& lines, LineKind kind, unsigned pick) {
    std::vector<std::string_view> names;
    for (const TextLine& line : lines) {
        if (line.kind == kind) names.push_back(line.name);
    }
    if (names.empty()) return std::nullopt;
    return std::string(names[pick % names.size()]);
}

void CheckRewrite(std::string_view text, const std::vector<TextLine>& before, std::string_view section,
                  std::string_view key, std::string_view value) {
    const std::optional<std::string> rewritten = SetValue(text, section, key, value);
    Check(rewritten.has_value() == IsWritable(section, key, value), "SetValue disagrees with IsWritable");
    if (!rewritten) return;

    section = Trimmed(section);
    key = Trimmed(key);
    value = Trimmed(value);
    Check(FindValue(*rewritten, section, key) == value, "the rewritten key does not read back");
    Check(!text.starts_with(kByteOrderMark) || rewritten->starts_with(kByteOrderMark),
          "the byte-order mark was lost");

    const std::vector<TextLine> after = LinesOf(*rewritten);
    std::size_t prefix = 0;
    while (prefix < before.size() && prefix < after.size() && Kept(before[prefix], after[prefix])) ++prefix;
    std::size_t suffix = 0;
    while (suffix < before.size() - prefix && suffix < after.size() - prefix &&
           Kept(before[before.size() - 1 - suffix], after[after.size() - 1 - suffix])) {
        ++suffix;
    }
    const std::size_t removed = before.size() - prefix - suffix;
    const std::size_t added = after.size() - prefix - suffix;
    const auto isNewEntry = [&](const TextLine& line) {
        return line.kind == LineKind::Entry && line.name == key && line.value == value;
    };
    bool expectedChange = false;
    if (removed == 0 && added == 0) {  // the key held this value already
        expectedChange = FindValue(text, section, key) == value;
    } else if (removed == 1 && added == 1) {  // the value of the key's entry changed
        const TextLine& old = before[prefix];
        const TextLine& now = after[prefix];
        expectedChange = old.kind == LineKind::Entry && NamesMatch(old.name, key) && now.kind == LineKind::Entry &&
                         now.name == old.name && now.value == value && now.lineBreak == old.lineBreak;
    } else if (removed == 0 && added == 1) {  // an entry added to the section
        expectedChange = isNewEntry(after[prefix]);
    } else if (removed == 0 && added == 2) {  // the section added with its entry
        expectedChange = after[prefix].kind == LineKind::Section && after[prefix].name == section &&
                         isNewEntry(after[prefix + 1]);
    }
    Check(expectedChange, "the rewrite changed more than the one key");

    // Every other key reads as before (a sample, so that a long text stays quick).
    std::set<std::pair<std::string_view, std::string_view>> others;
    std::string_view currentSection;
    for (const TextLine& line : before) {
        if (others.size() == 16) break;
        if (line.kind == LineKind::Section) currentSection = line.name;
        if (line.kind != LineKind::Entry) continue;
        if (NamesMatch(currentSection, section) && NamesMatch(line.name, key)) continue;
        others.emplace(currentSection, line.name);
    }
    for (const auto& [otherSection, otherKey] : others) {
        Check(FindValue(*rewritten, otherSection, otherKey) == FindValue(text, otherSection, otherKey),
              "another key changed its value");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const auto aim = input.ConsumeIntegral<std::uint8_t>();
    std::string section = input.ConsumeRandomLengthString(24);
    std::string key = input.ConsumeRandomLengthString(24);
    const std::string value = input.ConsumeRandomLengthString(24);
    const std::string text = input.ConsumeRemainingBytesAsString();

    const std::vector<TextLine> before = LinesOf(text);
    if (aim & 1) section = NameInText(before, LineKind::Section, aim >> 2).value_or(section);
    if (aim & 2) key = NameInText(before, LineKind::Entry, aim >> 5).value_or(key);

    (void)FindValue(text, section, key);
    (void)LineBreakOf(text);
    CheckRewrite(text, before, section, key, value);
    return 0;
}
