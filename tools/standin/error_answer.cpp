#include "error_answer.h"

namespace standin {

std::string XmlEscape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string ErrorBody(const ServiceError& error, const std::string& resource,
                      const std::string& requestId, const std::string& traceId) {
    return "<?xml version='1.0' encoding='utf-8' ?>\n<Error>\n"
           "\t<Code>" +
           XmlEscape(error.code) +
           "</Code>\n"
           "\t<Message>" +
           XmlEscape(error.message) +
           "</Message>\n"
           "\t<Resource>" +
           XmlEscape(resource) +
           "</Resource>\n"
           "\t<RequestId>" +
           XmlEscape(requestId) +
           "</RequestId>\n"
           "\t<TraceId>" +
           XmlEscape(traceId) +
           "</TraceId>\n"
           "</Error>\n";
}

ServiceError ServerFault(int status) {
    if (status == 503) {
        return ServiceError{503, "ServiceUnavailable", "Please reduce your request rate."};
    }
    return ServiceError{status, "InternalError",
                        "We encountered an internal error. Please try again."};
}

}  // namespace standin
