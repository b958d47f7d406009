#include "object_target.h"

namespace standin {
namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Strict percent-decoding: "+" stays "+", a "%" must start a two-digit escape.
bool PercentDecode(const std::string& text, std::string* out) {
    out->clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            *out += text[i];
            continue;
        }
        const int high = i + 1 < text.size() ? HexValue(text[i + 1]) : -1;
        const int low = i + 2 < text.size() ? HexValue(text[i + 2]) : -1;
        if (high < 0 || low < 0) return false;
        *out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return true;
}

ObjectTarget Refuse(ObjectTarget target, const std::string& problem) {
    target.valid = false;
    target.problem = problem;
    return target;
}

}  // namespace

ObjectTarget ParseObjectTarget(const std::string& rawTarget) {
    ObjectTarget target;
    const size_t question = rawTarget.find('?');
    const std::string rawPath = rawTarget.substr(0, question);
    const std::string rawQuery =
        question == std::string::npos ? std::string() : rawTarget.substr(question + 1);

    if (rawPath.empty() || rawPath[0] != '/') return Refuse(target, "target is not a path");
    for (size_t i = 0; i + 2 < rawPath.size(); ++i) {
        if (rawPath[i] != '%') continue;
        const char a = rawPath[i + 1];
        const char b = static_cast<char>(rawPath[i + 2] | 0x20);
        if (a == '2' && (b == 'e' || b == 'f')) {
            return Refuse(target, "encoded '.' or '/' in the path");
        }
    }
    if (!PercentDecode(rawPath, &target.path)) return Refuse(target, "bad percent-escape");
    if (target.path.find('\0') != std::string::npos) return Refuse(target, "NUL byte in the path");
    if (target.path.find('\\') != std::string::npos) return Refuse(target, "backslash in the path");

    target.key = target.path.substr(1);
    if (!target.key.empty()) {
        size_t start = 0;
        while (true) {
            const size_t slash = target.key.find('/', start);
            const std::string segment = target.key.substr(
                start, slash == std::string::npos ? std::string::npos : slash - start);
            if (segment.empty() || segment == "." || segment == "..") {
                return Refuse(target, "empty, '.' or '..' segment in the key");
            }
            if (slash == std::string::npos) break;
            start = slash + 1;
        }
    }

    size_t start = 0;
    while (start <= rawQuery.size() && !rawQuery.empty()) {
        const size_t amp = rawQuery.find('&', start);
        const std::string pair =
            rawQuery.substr(start, amp == std::string::npos ? std::string::npos : amp - start);
        if (!pair.empty()) {
            const size_t eq = pair.find('=');
            std::string name;
            std::string value;
            if (!PercentDecode(pair.substr(0, eq), &name) ||
                (eq != std::string::npos && !PercentDecode(pair.substr(eq + 1), &value))) {
                return Refuse(target, "bad percent-escape in the query");
            }
            target.params[name] = value;
        }
        if (amp == std::string::npos) break;
        start = amp + 1;
    }
    target.valid = true;
    return target;
}

}  // namespace standin
