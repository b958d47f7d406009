// The classic profile (ini) format on a text held in memory: lookups and edits with the Windows
// rules (sections and keys without regard to case, values trimmed, other lines kept as they are).
#pragma once

#include <string>
#include <vector>

namespace winlayer {

bool ProfileGet(const std::string& content, const std::string& section, const std::string& key,
                std::string& value);
std::vector<std::string> ProfileKeys(const std::string& content, const std::string& section);
std::vector<std::string> ProfileSections(const std::string& content);

// Returns the content after setting section/key to value. A null key removes the section, a null
// value removes the key; a missing section or key is added ("\r\n" line ends for new lines).
std::string ProfileSet(const std::string& content, const std::string& section, const char* key,
                       const char* value);

}  // namespace winlayer
