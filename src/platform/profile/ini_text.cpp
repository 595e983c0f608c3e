#include "platform/profile/ini_text.h"

namespace nuvo::ini {

namespace {

constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kLineBreakBytes = "\r\n";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string_view TrimLeft(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    return first == std::string_view::npos ? text.substr(text.size()) : text.substr(first);
}

std::string_view Trim(std::string_view text) {
    text = TrimLeft(text);
    const std::size_t last = text.find_last_not_of(kBlanks);
    return text.substr(0, last == std::string_view::npos ? 0 : last + 1);
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool Contains(std::string_view text, std::string_view anyOf) {
    return text.find_first_of(anyOf) != std::string_view::npos;
}

void Classify(std::string_view content, Line& line) {
    const std::string_view rest = TrimLeft(content);
    line.name = {};
    line.value = {};
    if (rest.empty()) {
        line.kind = LineKind::Blank;
    } else if (rest.front() == ';') {
        line.kind = LineKind::Comment;
    } else if (rest.front() == '[') {
        const std::size_t close = rest.find(']');
        if (close == std::string_view::npos) {
            line.kind = LineKind::Other;
        } else {
            line.kind = LineKind::Section;
            line.name = Trim(rest.substr(1, close - 1));
        }
    } else if (const std::size_t equals = rest.find('='); equals != std::string_view::npos) {
        line.kind = LineKind::Entry;
        line.name = Trim(rest.substr(0, equals));
        line.value = Trim(rest.substr(equals + 1));
    } else {
        line.kind = LineKind::Other;
    }
}

// Whether the text, past a byte-order mark, has bytes after its last line break.
bool EndsInsideALine(std::string_view text) {
    if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
    return !text.empty() && text.back() != '\r' && text.back() != '\n';
}

// Appends `entry` and a line break as a line that will stand before `following`. A lone CR
// right before an LF would fuse with it into one break and swallow the next (blank) line,
// so then CRLF is used.
void AppendLine(std::string& out, std::string_view entry, std::string_view lineBreak,
                std::string_view following) {
    out += entry;
    if (lineBreak == "\r" && following.starts_with('\n')) {
        out += "\r\n";
    } else {
        out += lineBreak;
    }
}

}  // namespace

LineReader::LineReader(std::string_view text) : text_(text) {
    if (text_.starts_with(kByteOrderMark)) position_ = kByteOrderMark.size();
}

bool LineReader::Next(Line& line) {
    if (position_ >= text_.size()) return false;
    const std::size_t breakAt = text_.find_first_of(kLineBreakBytes, position_);
    line.begin = position_;
    line.end = breakAt == std::string_view::npos ? text_.size() : breakAt;
    line.next = line.end;
    if (line.next < text_.size()) {
        const bool crlf = text_[line.next] == '\r' && line.next + 1 < text_.size() &&
                          text_[line.next + 1] == '\n';
        line.next += crlf ? 2 : 1;
    }
    Classify(text_.substr(line.begin, line.end - line.begin), line);
    position_ = line.next;
    return true;
}

bool NamesMatch(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    }
    return true;
}

std::optional<std::string_view> FindValue(std::string_view text, std::string_view section,
                                          std::string_view key) {
    section = Trim(section);
    key = Trim(key);
    if (section.empty() || key.empty()) return std::nullopt;
    LineReader reader(text);
    Line line;
    bool inSection = false;
    while (reader.Next(line)) {
        if (line.kind == LineKind::Section) {
            if (inSection) return std::nullopt;  // only the first matching section counts
            inSection = NamesMatch(line.name, section);
        } else if (inSection && line.kind == LineKind::Entry && NamesMatch(line.name, key)) {
            return line.value;
        }
    }
    return std::nullopt;
}

bool IsWritable(std::string_view section, std::string_view key, std::string_view value) {
    using namespace std::string_view_literals;
    section = Trim(section);
    key = Trim(key);
    return !section.empty() && !Contains(section, "\r\n\0]"sv) &&  //
           !key.empty() && !Contains(key, "\r\n\0="sv) && key.front() != '[' &&
           key.front() != ';' &&  //
           !Contains(value, "\r\n\0"sv);
}

std::string_view LineBreakOf(std::string_view text) {
    const std::size_t breakAt = text.find_first_of(kLineBreakBytes);
    if (breakAt == std::string_view::npos) return "\r\n";
    if (text[breakAt] == '\n') return "\n";
    return text.substr(breakAt + 1).starts_with('\n') ? "\r\n" : "\r";
}

std::optional<std::string> SetValue(std::string_view text, std::string_view section,
                                    std::string_view key, std::string_view value) {
    if (!IsWritable(section, key, value)) return std::nullopt;
    section = Trim(section);
    key = Trim(key);

    LineReader reader(text);
    Line line;
    bool inSection = false;
    std::optional<Line> lastLineOfSection;  // the line a new entry goes after
    while (reader.Next(line)) {
        if (line.kind == LineKind::Section) {
            if (inSection) break;
            if (NamesMatch(line.name, section)) {
                inSection = true;
                lastLineOfSection = line;
            }
            continue;
        }
        if (!inSection) continue;
        if (line.kind == LineKind::Entry && NamesMatch(line.name, key)) {
            const auto valueBegin = static_cast<std::size_t>(line.value.data() - text.data());
            std::string out;
            out.reserve(text.size() - line.value.size() + value.size());
            out.append(text.substr(0, valueBegin));
            out.append(value);
            out.append(text.substr(valueBegin + line.value.size()));
            return out;
        }
        if (line.kind != LineKind::Blank && line.kind != LineKind::Comment) {
            lastLineOfSection = line;
        }
    }

    const std::string_view lineBreak = LineBreakOf(text);
    std::string entry;
    entry.reserve(key.size() + 1 + value.size());
    entry.append(key).append("=").append(value);

    std::string out;
    out.reserve(text.size() + section.size() + entry.size() + 8);
    if (lastLineOfSection) {
        const Line& anchor = *lastLineOfSection;
        if (anchor.HasLineBreak()) {
            out.append(text.substr(0, anchor.next));
            AppendLine(out, entry, lineBreak, text.substr(anchor.next));
            out.append(text.substr(anchor.next));
        } else {  // the last line of the text
            out.append(text).append(lineBreak);
            AppendLine(out, entry, lineBreak, {});
        }
        return out;
    }
    out.append(text);
    if (EndsInsideALine(text)) out.append(lineBreak);
    std::string header;
    header.append("[").append(section).append("]");
    AppendLine(out, header, lineBreak, {});
    AppendLine(out, entry, lineBreak, {});
    return out;
}

}  // namespace nuvo::ini
