// What a zip entry's name may be before it becomes a path below the destination folder. Names are
// narrow texts with "\" separators ("/" already replaced), taken byte by byte as the archive
// stores them.
#pragma once

#include <string>

// Why a name cannot be written below the destination; Fine when it can.
enum class EntryNameProblem {
    Fine,
    Escapes,  // absolute, drive letter, UNC, a ".." (or dots-and-spaces) part, a stream ("a:b")
    Invalid,  // empty, a control character or one of <>"|?*, a device name (CON, NUL, COM1, ...)
};

EntryNameProblem CheckEntryName(const std::string& name);

// destination + name, with a "\" between them unless the destination ends with "\" or "/".
std::string JoinEntryPath(const std::string& destination, const std::string& name);

// True when path, made full, is folder or lies below it (compared without regard to ASCII case, as
// Windows compares names).
bool LiesBelow(const std::string& path, const std::string& folder);
