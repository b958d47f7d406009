// The version summary of a release ("summary.ini" in the bucket) and the version file of an
// installation ("update.ini" at the top of the installed tree), both in the profile format.
//
// summary.ini: [cfgstamp] time = signed decimal stamp; [fixstamp] and [quant] name, for every
// package code, the runtime and quant package of the release (without ".zip").
// update.ini: [cfgstamp] time, [version] cur = runtime package, quant = quant package.
#pragma once

#include <cstdint>
#include <string>

#include "workflow/install_state.h"

// Bytes of the time stamp's text buffer, the NUL included.
constexpr size_t kStampTextSize = 101;

// Downloads keyPrefix + "/summary.ini" into the staging folder and reads cfgStamp, fixName and
// quantName for this build's package code from it (a missing key reads as empty, a long value is
// cut to its buffer). False when the download failed; the fields then stay as they were.
bool ReadSummary(IClient& state);

// The stamp as the summary's text gives it: optional white space and sign, then the digits up to
// the first other character (saturated at the 64-bit limits); 0 without digits.
int64_t ParseStamp(const char* text);

// Writes stagingDir + "\update.ini" with the stamp and the package names of `state`. Results are
// not examined.
void WriteVersionFile(const IClient& state, const std::string& stagingDir);
