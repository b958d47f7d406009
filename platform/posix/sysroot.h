// The emulated machine: its system root folder and the settings tests give it (settings.ini).
// Not for code outside platform/.
#pragma once

#include <string>

namespace winlayer {

std::string SystemRootDir();  // host folder, created with its skeleton on first use
std::string Setting(const std::string& section, const std::string& key,
                    const std::string& fallback = std::string());
bool HasSetting(const std::string& section, const std::string& key);
std::string RunningAccountName();

}  // namespace winlayer
