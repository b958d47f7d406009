// The emulated machine: its system root folder and the settings tests give it (settings.ini).
// Not for code outside platform/.
#pragma once

#include <string>

namespace winlayer {

std::string SystemRootDir();  // host folder, created with its skeleton on first use

// Settings of the machine, from <root>/settings.ini. The parsed file is kept and read again only
// when the file changed (settings.cpp), so lookups are cheap and safe from any thread, and a
// change made while a program runs is seen by its next lookup.
std::string Setting(const std::string& section, const std::string& key,
                    const std::string& fallback = std::string());
bool HasSetting(const std::string& section, const std::string& key);
// The same lookup in the settings of the given root, without preparing that root.
bool LookupSetting(const std::string& root, const std::string& section, const std::string& key,
                   std::string& value);
// How many times a settings file has been read by this process (for the cache's tests).
unsigned long SettingsFileReads();

std::string RunningAccountName();

}  // namespace winlayer
