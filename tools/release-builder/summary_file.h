// The version summary "summary.ini" of a release.
#pragma once

#include <string>
#include <vector>

namespace release_builder {

// The summary in the classic profile format with CRLF line ends: section
// "cfgstamp" with "time", then "fixstamp" and "quant" with one key per package
// code whose values are the runtime and the quant package names ("" when there
// is no quant package, which reads the same as a missing key).
std::string SummaryText(long long cfgStamp, const std::vector<std::string>& packageCodes,
                        const std::string& runtimeName, const std::string& quantName);

}  // namespace release_builder
