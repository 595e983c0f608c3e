// INI text as the Windows profile functions read it, as pure functions over bytes: the
// reading and rewriting rules of our own profile store, callable by tests and fuzzers
// without a file.
//
// The text is split into lines at CRLF, LF or a lone CR. A UTF-8 byte-order mark at the
// very start is skipped (and kept when the text is rewritten). Any byte is allowed,
// NUL included; nothing is decoded. Blanks are space and tab. After leading blanks a line is
//   - blank:    nothing left;
//   - comment:  starts with ";";
//   - section:  starts with "[" and has a "]"; the name is between "[" and the first "]",
//               blanks trimmed; anything after the "]" is ignored;
//   - entry:    has a "="; the key is the text before the first "=", the value the text
//               after it, both with blanks trimmed (quotes are not removed);
//   - other:    anything else (an unclosed "[", a word without "="); kept, never matched.
// Section and key names match case-insensitively (ASCII letters only). Only the first
// section with a matching name counts, and in it the first entry with a matching key;
// entries before the first section belong to no section.
// Every function works in one pass over the text, so any input is read in linear time.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace nuvo::ini {

enum class LineKind { Blank, Comment, Section, Entry, Other };

struct Line {
    LineKind kind = LineKind::Blank;
    std::string_view name;   // Section: its name; Entry: its key; trimmed, views into the text
    std::string_view value;  // Entry: its value, trimmed (empty but placed where it would start)
    std::size_t begin = 0;   // offset of the line's first byte
    std::size_t end = 0;     // offset just after its content, before the line break
    std::size_t next = 0;    // offset of the next line (end of the text for the last line)
    bool HasLineBreak() const { return next > end; }
};

// Reads the lines of a text one by one; the views stay valid as long as the text does.
class LineReader {
public:
    explicit LineReader(std::string_view text);
    // Fills `line` with the next line; false when the text is exhausted.
    bool Next(Line& line);

private:
    std::string_view text_;
    std::size_t position_ = 0;
};

// True when the names are equal, ASCII letters compared without regard to case.
bool NamesMatch(std::string_view a, std::string_view b);

// The value of `key` in `section`, untruncated; nullopt when the section or the key is
// missing. Section and key are trimmed before they are compared.
std::optional<std::string_view> FindValue(std::string_view text, std::string_view section,
                                          std::string_view key);

// Whether `section`, `key` and `value` can be written so that FindValue gives the value back
// (up to blanks around it): names not blank, no line breaks or NUL anywhere, no "]" in the
// section name, no "=" in the key, and a key that does not start with "[" or ";".
bool IsWritable(std::string_view section, std::string_view key, std::string_view value);

// The line break of the text: that of its first line, or CRLF when it has none.
std::string_view LineBreakOf(std::string_view text);

// The text with `key` in `section` set to `value`; nullopt when !IsWritable. Every other
// byte stays as it was:
//   - a matching entry keeps everything up to its value, and only the value changes;
//   - otherwise "key=value" goes on a new line after the section's last line that is
//     neither blank nor a comment (the header itself when there is none);
//   - a missing section is added at the end as "[section]" and "key=value".
// New lines use LineBreakOf(text); a last line without a line break gets one when a line
// is added after it. Names that are added are written trimmed, as the caller spelled them.
std::optional<std::string> SetValue(std::string_view text, std::string_view section,
                                    std::string_view key, std::string_view value);

}  // namespace nuvo::ini
