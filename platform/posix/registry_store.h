// The registry as a tree of keys and values, with its text form. Value data is kept as the bytes
// Windows stores (strings in UTF-16LE), so both the A and W functions can answer from it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/posix/win32_types.h"

namespace winlayer {

struct RegValue {
    std::wstring name;  // "" is the key's default value
    DWORD type = 0;
    std::string data;
};

struct RegKey {
    std::wstring name;
    std::vector<RegValue> values;  // in the order they were first written
    std::vector<std::unique_ptr<RegKey>> subkeys;

    RegKey* Find(const std::wstring& child) const;
    RegKey* Add(const std::wstring& child);
    bool Remove(const std::wstring& child);
    RegValue* FindValue(const std::wstring& valueName);
};

// Text form: a header line, then per key a line "[ROOT\path]" followed by its values as
// "name"=type:hex (the default value as @=type:hex); comment lines start with ";".
std::string SerializeRegistry(const RegKey& top);
// Reads the text form into top. False for a damaged text (no header, a line that does not parse,
// a last line without its newline); top is then empty. Bad input never throws.
bool ParseRegistry(const std::string& text, RegKey& top);

// Splits "A\B\\C\" into its non-empty components.
std::vector<std::wstring> SplitKeyPath(const std::wstring& path);

}  // namespace winlayer
