// Windows file-name patterns ("*", "?"), matched without regard to case.
#pragma once

#include <string>

namespace winlayer {

bool HasWildcards(const std::wstring& name);
bool MatchesPattern(const std::wstring& pattern, const std::wstring& name);

}  // namespace winlayer
