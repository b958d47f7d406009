// Rules for the names a release gives out: package codes and package names.
#pragma once

#include <string>

namespace release_builder {

// The longest package name the installer keeps whole (it reads names into
// 21-byte buffers and cuts longer ones, which would then name a missing object).
constexpr size_t kMaxPackageNameLength = 20;

// Exactly six ASCII digits.
bool IsPackageCode(const std::string& code);

// "" when name can be a package name, else why not. A package name becomes part
// of an object key and, with ".zip", a file name on Windows: 1 to 20 letters,
// digits, '.', '-' or '_', not beginning with '.' or '-', not ending with '.',
// and not a Windows device name (CON, NUL, COM1, ...).
std::string PackageNameProblem(const std::string& name);

// "" when one component of a path inside a package can be a Windows file name,
// else why not: no control characters, none of \ : * ? " < > |, and no trailing
// dot or space (Windows drops them).
std::string FileNameProblem(const std::string& component);

}  // namespace release_builder
