// Entry names as the installer reads them: bytes in code page 936.
#pragma once

#include <string>

namespace release_builder {

// Converts a UTF-8 name (as the host's file system gives it) to code page 936,
// the narrow code page the installer uses for paths. False when some character
// has no code page 936 form or the text is not UTF-8. ASCII passes unchanged.
bool ToArchiveName(const std::string& utf8, std::string* archiveName);

}  // namespace release_builder
