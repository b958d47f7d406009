#include "summary_file.h"

namespace release_builder {
namespace {

std::string Section(const std::string& name, const std::vector<std::string>& keys,
                    const std::string& value) {
    std::string text = "[" + name + "]\r\n";
    for (const std::string& key : keys) text += key + "=" + value + "\r\n";
    return text;
}

}  // namespace

std::string SummaryText(long long cfgStamp, const std::vector<std::string>& packageCodes,
                        const std::string& runtimeName, const std::string& quantName) {
    return "[cfgstamp]\r\ntime=" + std::to_string(cfgStamp) + "\r\n\r\n" +
           Section("fixstamp", packageCodes, runtimeName) + "\r\n" +
           Section("quant", packageCodes, quantName);
}

}  // namespace release_builder
