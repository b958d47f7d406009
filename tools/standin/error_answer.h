// The service's XML error answers.
#pragma once

#include <string>

namespace standin {

struct ServiceError {
    int status = 500;
    std::string code;
    std::string message;
};

// <Error> with Code, Message, Resource, RequestId and TraceId.
std::string ErrorBody(const ServiceError& error, const std::string& resource,
                      const std::string& requestId, const std::string& traceId);

// The error answered for a 5xx status chosen by a fault.
ServiceError ServerFault(int status);

// Escapes text for an element's content.
std::string XmlEscape(const std::string& text);

}  // namespace standin
