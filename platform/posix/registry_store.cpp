#include "platform/posix/registry_store.h"

#include <sstream>

#include "platform/posix/layer.h"

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

std::string Unhex(const std::string& text) {
    std::string out;
    for (size_t i = 0; i + 1 < text.size(); i += 2)
        out += char(std::stoi(text.substr(i, 2), nullptr, 16));
    return out;
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

RegKey ParseRegistry(const std::string& text) {
    RegKey top;
    RegKey* current = nullptr;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == ';' || line == kHeader) continue;
        if (line[0] == '[') {
            size_t close = line.rfind(']');
            current = &top;
            for (const auto& part : SplitKeyPath(Utf8ToWide(line.substr(1, close - 1))))
                current = current->Add(part);
            continue;
        }
        if (!current) continue;
        RegValue value;
        size_t pos = 0;
        if (line[0] == '@') {
            pos = 1;
        } else if (line[0] == '"') {
            std::string name;
            for (pos = 1; pos < line.size() && line[pos] != '"'; ++pos) {
                if (line[pos] == '\\' && pos + 1 < line.size()) ++pos;
                name += line[pos];
            }
            ++pos;
            value.name = Utf8ToWide(name);
        } else {
            continue;
        }
        if (pos >= line.size() || line[pos] != '=') continue;
        size_t colon = line.find(':', pos);
        if (colon == std::string::npos) continue;
        value.type = DWORD(std::stoul(line.substr(pos + 1, colon - pos - 1)));
        value.data = Unhex(line.substr(colon + 1));
        current->values.push_back(value);
    }
    return top;
}

}  // namespace winlayer
