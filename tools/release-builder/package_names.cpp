#include "package_names.h"

#include <algorithm>
#include <cctype>

namespace release_builder {
namespace {

bool IsAsciiLetterOrDigit(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

std::string Upper(std::string text) {
    for (char& c : text) c = char(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// Windows reserves these names with any extension, so "CON.zip" cannot be saved.
bool IsDeviceName(const std::string& name) {
    std::string stem = Upper(name.substr(0, name.find('.')));
    static const char* const kFixed[] = {"CON", "PRN", "AUX", "NUL"};
    if (std::find(std::begin(kFixed), std::end(kFixed), stem) != std::end(kFixed)) return true;
    const bool numbered =
        stem.size() == 4 && (stem.rfind("COM", 0) == 0 || stem.rfind("LPT", 0) == 0);
    return numbered && stem[3] >= '1' && stem[3] <= '9';
}

}  // namespace

bool IsPackageCode(const std::string& code) {
    return code.size() == 6 &&
           std::all_of(code.begin(), code.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string PackageNameProblem(const std::string& name) {
    if (name.empty()) return "is empty";
    if (name.size() > kMaxPackageNameLength)
        return "has " + std::to_string(name.size()) + " characters, more than " +
               std::to_string(kMaxPackageNameLength);
    for (char c : name) {
        if (!IsAsciiLetterOrDigit(c) && c != '.' && c != '-' && c != '_')
            return "holds a character other than letters, digits, '.', '-' and '_'";
    }
    if (name[0] == '.' || name[0] == '-') return "begins with '" + name.substr(0, 1) + "'";
    if (name.back() == '.') return "ends with '.'";
    if (IsDeviceName(name)) return "is a Windows device name";
    return std::string();
}

std::string FileNameProblem(const std::string& component) {
    for (char c : component) {
        if (static_cast<unsigned char>(c) < 0x20) return "holds a control character";
        if (std::string("\\:*?\"<>|").find(c) != std::string::npos)
            return std::string("holds the character '") + c + "', not allowed in Windows names";
    }
    if (!component.empty() && (component.back() == '.' || component.back() == ' '))
        return "ends with a dot or a space, which Windows drops";
    return std::string();
}

}  // namespace release_builder
