#include "workflow/version_files.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>

#include "system/product_settings.h"
#include "workflow/package_download.h"

namespace {
constexpr char kSummaryName[] = "summary.ini";
constexpr char kVersionFileName[] = "\\update.ini";
}  // namespace

int64_t ParseStamp(const char* text) {
    return static_cast<int64_t>(strtoll(text, nullptr, 10));
}

bool ReadSummary(IClient& state) {
    const ProductSettings& settings = ProductSettings::Instance();
    std::string key = state.keyPrefix + "/" + kSummaryName;
    std::string localPath = settings.stagingDir + "/" + kSummaryName;
    if (!DownloadObject(state, key.c_str(), localPath.c_str())) return false;

    const char* code = settings.packageCode.c_str();
    char stamp[kStampTextSize] = {};
    GetPrivateProfileStringA("cfgstamp", "time", "", stamp, sizeof stamp, localPath.c_str());
    state.cfgStamp = ParseStamp(stamp);
    GetPrivateProfileStringA("fixstamp", code, "", state.fixName, sizeof state.fixName,
                             localPath.c_str());
    GetPrivateProfileStringA("quant", code, "", state.quantName, sizeof state.quantName,
                             localPath.c_str());
    return true;
}

void WriteVersionFile(const IClient& state, const std::string& stagingDir) {
    std::string path = stagingDir + kVersionFileName;
    char stamp[kStampTextSize] = {};
    snprintf(stamp, sizeof stamp, "%" PRId64, state.cfgStamp);
    WritePrivateProfileStringA("cfgstamp", "time", stamp, path.c_str());
    WritePrivateProfileStringA("version", "cur", state.fixName, path.c_str());
    WritePrivateProfileStringA("version", "quant", state.quantName, path.c_str());
}
