#include "platform/posix/registry_store.h"

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/posix/text.h"
#include "platform/win32.h"

namespace winlayer {

RegKey* RegKey::Find(const std::wstring& child) const {
    for (const auto& k : subkeys)
        if (EqualsNoCase(k->name, child)) return k.get();
    return nullptr;
}

RegKey* RegKey::Add(const std::wstring& child) {
    if (RegKey* existing = Find(child)) return existing;
    subkeys.push_back(std::make_unique<RegKey>());
    subkeys.back()->name = child;
    return subkeys.back().get();
}

bool RegKey::Remove(const std::wstring& child) {
    for (auto it = subkeys.begin(); it != subkeys.end(); ++it)
        if (EqualsNoCase((*it)->name, child)) {
            subkeys.erase(it);
            return true;
        }
    return false;
}

RegValue* RegKey::FindValue(const std::wstring& valueName) {
    for (auto& v : values)
        if (EqualsNoCase(v.name, valueName)) return &v;
    return nullptr;
}

std::vector<std::wstring> SplitKeyPath(const std::wstring& path) {
    std::vector<std::wstring> parts;
    std::wstring part;
    for (wchar_t c : path) {
        if (c == L'\\') {
            if (!part.empty()) parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty()) parts.push_back(part);
    return parts;
}

namespace {

const char kHeader[] = "objstore-registry 1";

std::string Quote(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string Hex(const std::string& data) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : data) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool Unhex(const std::string& text, size_t from, std::string& out) {
    if ((text.size() - from) % 2 != 0) return false;
    out.clear();
    out.reserve((text.size() - from) / 2);
    for (size_t i = from; i < text.size(); i += 2) {
        int hi = HexDigit(text[i]), lo = HexDigit(text[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out += char(hi << 4 | lo);
    }
    return true;
}

// A value type: decimal digits that fit in a DWORD.
bool ParseType(const std::string& text, size_t from, size_t to, DWORD& type) {
    if (from >= to || to - from > 10) return false;
    uint64_t v = 0;
    for (size_t i = from; i < to; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        v = v * 10 + uint64_t(text[i] - '0');
    }
    if (v > 0xFFFFFFFFu) return false;
    type = DWORD(v);
    return true;
}

// One value line: @=type:hex or "name"=type:hex.
bool ParseValue(const std::string& line, RegValue& value) {
    size_t pos = 0;
    if (line[0] == '@') {
        pos = 1;
    } else {
        std::string name;
        bool closed = false;
        for (pos = 1; pos < line.size(); ++pos) {
            if (line[pos] == '"') {
                closed = true;
                break;
            }
            if (line[pos] == '\\' && ++pos == line.size()) return false;
            name += line[pos];
        }
        if (!closed) return false;
        ++pos;
        value.name = Utf8ToWide(name);
    }
    if (pos >= line.size() || line[pos] != '=') return false;
    size_t colon = line.find(':', pos);
    if (colon == std::string::npos || !ParseType(line, pos + 1, colon, value.type)) return false;
    return Unhex(line, colon + 1, value.data);
}

std::string Readable(const RegValue& v) {
    if (v.type != REG_SZ && v.type != REG_EXPAND_SZ) return std::string();
    std::wstring text;
    for (size_t i = 0; i + 1 < v.data.size(); i += 2) {
        wchar_t c = wchar_t(uint8_t(v.data[i]) | (uint8_t(v.data[i + 1]) << 8));
        if (c == 0) break;
        text += c;
    }
    return "; " + WideToUtf8(v.name.empty() ? L"@" : v.name) + " = " + WideToUtf8(text) + "\n";
}

void Write(const RegKey& key, const std::string& path, std::ostringstream& out) {
    if (!path.empty()) {
        out << "[" << path << "]\n";
        for (const auto& v : key.values) {
            out << Readable(v);
            out << (v.name.empty() ? std::string("@") : Quote(WideToUtf8(v.name))) << "=" << v.type
                << ":" << Hex(v.data) << "\n";
        }
    }
    for (const auto& sub : key.subkeys) {
        std::string name = WideToUtf8(sub->name);
        Write(*sub, path.empty() ? name : path + "\\" + name, out);
    }
}

}  // namespace

std::string SerializeRegistry(const RegKey& top) {
    std::ostringstream out;
    out << kHeader << "\n";
    Write(top, std::string(), out);
    return out.str();
}

namespace {

bool ParseLines(const std::string& text, RegKey& top) {
    // Every write ends with a newline: a text without one was cut short.
    if (text.empty() || text.back() != '\n' ||
        text.compare(0, sizeof kHeader, std::string(kHeader) + "\n") != 0)
        return false;
    RegKey* current = nullptr;
    for (size_t start = sizeof kHeader; start < text.size();) {
        size_t end = text.find('\n', start);
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            if (line.size() < 3 || line.back() != ']') return false;
            current = &top;
            for (const auto& part : SplitKeyPath(Utf8ToWide(line.substr(1, line.size() - 2))))
                current = current->Add(part);
            if (current == &top) return false;
            continue;
        }
        RegValue value;
        if (!current || (line[0] != '@' && line[0] != '"') || !ParseValue(line, value))
            return false;
        if (RegValue* existing = current->FindValue(value.name))
            *existing = value;
        else
            current->values.push_back(value);
    }
    return true;
}

}  // namespace

bool ParseRegistry(const std::string& text, RegKey& top) {
    top = RegKey();
    if (ParseLines(text, top)) return true;
    top = RegKey();
    return false;
}

}  // namespace winlayer
