// The service's XML error body, as CosResult reads it from an answer. The input
// is the body; the answer's id headers are set too, so the body's ids replace them.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "op/cos_result.h"
#include "util/cos_global_settings.h"

namespace {

// Log lines are formatted (the body goes into them) and then dropped.
bool QuietLog() {
    objstore::CosGlobalSettings::Instance().SetLogOutput(0);
    objstore::CosGlobalSettings::Instance().SetLogCallback([](const std::string&) {});
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool quiet = QuietLog();
    (void)quiet;
    const std::string body(reinterpret_cast<const char*>(data), size);
    const std::map<std::string, std::string> headers = {{"x-cos-request-id", "header-request"},
                                                        {"x-cos-trace-id", "header-trace"}};
    objstore::CosResult result;
    const bool parsed = result.ParseFromHttpResponse(headers, body);
    // Every field read from the body is text of the body (entities only shorten it).
    for (const std::string* field : {&result.GetErrorCode(), &result.GetErrorMsg(),
                                     &result.GetResourceAddr(), &result.GetXCosServerTime()}) {
        if (field->size() > body.size()) __builtin_trap();
        if (!parsed && !field->empty()) __builtin_trap();
    }
    return 0;
}
