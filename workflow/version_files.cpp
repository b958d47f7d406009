#include "workflow/version_files.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>

#include "system/install_log.h"
#include "system/product_settings.h"
#include "workflow/package_download.h"

namespace {
constexpr char kSummaryName[] = "summary.ini";
constexpr char kVersionFileName[] = "\\update.ini";

// Fetches the signature beside the summary and verifies the summary with it; no value of the
// summary is read before this succeeded.
bool FetchVerifiedSignature(IClient& state, const std::string& summaryKey,
                            const std::string& summaryPath) {
    const std::string signatureKey = summaryKey + ".sig";
    const std::string signaturePath = summaryPath + ".sig";
    const bool fetched =
        FetchObject(state, signatureKey.c_str(), signaturePath.c_str(), {false, false});
    return VerifySummary(state, summaryPath, signaturePath, fetched);
}

}  // namespace

int64_t ParseStamp(const char* text) {
    return static_cast<int64_t>(strtoll(text, nullptr, 10));
}

bool ReadSummary(IClient& state) {
    const ProductSettings& settings = ProductSettings::Instance();
    std::string key = state.keyPrefix + "/" + kSummaryName;
    std::string localPath = settings.stagingDir + "/" + kSummaryName;
    if (!state.releaseCheck.Active()) WriteLogLine(kUncheckedReleaseLine);
    if (!FetchObject(state, key.c_str(), localPath.c_str(), {true, false})) return false;
    if (state.releaseCheck.Active() && !FetchVerifiedSignature(state, key, localPath)) {
        return false;
    }

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
