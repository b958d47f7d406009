// Windows command lines: splitting into arguments with the C runtime's rules and finding the
// program a command line names.
#pragma once

#include <string>
#include <vector>

namespace winlayer {

// Arguments as the C runtime parses them: the program name up to the closing quote or the first
// blank; then blanks separate arguments, quotes group, 2n backslashes before a quote give n and
// the quote toggles grouping, 2n+1 give n and a literal quote, and "" inside a group is a quote.
std::vector<std::wstring> SplitCommandLine(const std::wstring& line);

// Names the command line may mean as its program, in the order Windows tries them: the quoted
// text, or for an unquoted line each run of blank-separated words from the start ("C:\Program",
// "C:\Program Files\app", ...).
std::vector<std::wstring> ProgramCandidates(const std::wstring& line);

// Quotes one argument so that SplitCommandLine gives it back unchanged.
std::wstring QuoteArgument(const std::wstring& argument);

}  // namespace winlayer
