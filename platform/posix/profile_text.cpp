#include "platform/posix/profile_text.h"

#include <strings.h>
#include <string>
#include <vector>

namespace winlayer {
namespace {

struct Line {
    size_t begin;      // offset of the line in the content
    size_t end;        // offset after its line break
    std::string text;  // without the line break
};

std::vector<Line> SplitLines(const std::string& content) {
    std::vector<Line> lines;
    size_t pos = 0;
    while (pos < content.size()) {
        size_t nl = content.find('\n', pos);
        size_t end = nl == std::string::npos ? content.size() : nl + 1;
        std::string text = content.substr(pos, (nl == std::string::npos ? end : nl) - pos);
        if (!text.empty() && text.back() == '\r') text.pop_back();
        lines.push_back({pos, end, text});
        pos = end;
    }
    return lines;
}

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return std::string();
    size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && strcasecmp(a.c_str(), b.c_str()) == 0;
}

// Section name of a line, when it is a section header.
bool SectionOf(const std::string& line, std::string& name) {
    std::string t = Trim(line);
    if (t.empty() || t[0] != '[') return false;
    size_t close = t.find(']');
    name = Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
    return true;
}

// Key and value of a line inside a section; blank lines carry no key.
bool KeyOf(const std::string& line, std::string& key, std::string& value) {
    std::string t = Trim(line);
    if (t.empty()) return false;
    size_t eq = t.find('=');
    key = Trim(t.substr(0, eq));
    value = eq == std::string::npos ? std::string() : Trim(t.substr(eq + 1));
    return true;
}

// Index range [first, last) of the lines of a section's body; first is the header's index + 1.
bool FindSection(const std::vector<Line>& lines, const std::string& section, size_t& header,
                 size_t& last) {
    std::string name;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (SectionOf(lines[i].text, name) && SameName(name, section)) {
            header = i;
            last = i + 1;
            while (last < lines.size() && !SectionOf(lines[last].text, name)) ++last;
            return true;
        }
    }
    return false;
}

std::string Unquote(const std::string& v) {
    if (v.size() >= 2 &&
        ((v.front() == '"' && v.back() == '"') || (v.front() == '\'' && v.back() == '\'')))
        return v.substr(1, v.size() - 2);
    return v;
}

}  // namespace

bool ProfileGet(const std::string& content, const std::string& section, const std::string& key,
                std::string& value) {
    auto lines = SplitLines(content);
    size_t header, last;
    if (!FindSection(lines, section, header, last)) return false;
    std::string k, v;
    for (size_t i = header + 1; i < last; ++i) {
        if (KeyOf(lines[i].text, k, v) && SameName(k, key)) {
            value = Unquote(v);
            return true;
        }
    }
    return false;
}

std::vector<std::string> ProfileKeys(const std::string& content, const std::string& section) {
    std::vector<std::string> keys;
    auto lines = SplitLines(content);
    size_t header, last;
    if (!FindSection(lines, section, header, last)) return keys;
    std::string k, v;
    for (size_t i = header + 1; i < last; ++i)
        if (KeyOf(lines[i].text, k, v)) keys.push_back(k);
    return keys;
}

std::vector<std::string> ProfileSections(const std::string& content) {
    std::vector<std::string> names;
    std::string name;
    for (const auto& line : SplitLines(content))
        if (SectionOf(line.text, name)) names.push_back(name);
    return names;
}

std::string ProfileSet(const std::string& content, const std::string& section, const char* key,
                       const char* value) {
    auto lines = SplitLines(content);
    size_t header, last;
    if (!FindSection(lines, section, header, last)) {
        if (!key || !value) return content;  // nothing to remove
        std::string out = content;
        if (!out.empty() && out.back() != '\n') out += "\r\n";
        return out + "[" + section + "]\r\n" + key + "=" + value + "\r\n";
    }
    if (!key)  // remove the whole section
        return content.substr(0, lines[header].begin) +
               (last < lines.size() ? content.substr(lines[last].begin) : std::string());
    std::string k, v;
    for (size_t i = header + 1; i < last; ++i) {
        if (!KeyOf(lines[i].text, k, v) || !SameName(k, key)) continue;
        std::string tail = content.substr(lines[i].end);
        std::string head = content.substr(0, lines[i].begin);
        if (!value) return head + tail;
        std::string lineEnd = content.substr(lines[i].begin + lines[i].text.size(),
                                             lines[i].end - lines[i].begin - lines[i].text.size());
        if (lineEnd.empty()) lineEnd = "\r\n";
        return head + k + "=" + value + lineEnd + tail;
    }
    if (!value) return content;
    // New key after the section's last non-blank line.
    size_t after = header;
    for (size_t i = header + 1; i < last; ++i)
        if (!Trim(lines[i].text).empty()) after = i;
    std::string head = content.substr(0, lines[after].end);
    if (head.back() != '\n') head += "\r\n";
    return head + key + "=" + value + "\r\n" + content.substr(lines[after].end);
}

}  // namespace winlayer
