#include "standin_options.h"

#include <cerrno>
#include <cstdlib>

#include "util/build_config.h"

namespace standin {
namespace {

bool ParseNumber(const std::string& text, uint64_t max, uint64_t* value) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
    errno = 0;
    const unsigned long long parsed = std::strtoull(text.c_str(), nullptr, 10);
    if (errno == ERANGE || parsed > max) return false;
    *value = parsed;
    return true;
}

}  // namespace

const char* StandinUsage() {
    return "usage: objstore-standin --root DIR [options]\n"
           "  --root DIR            folder served as the bucket (the key is the path below it)\n"
           "  --port N              listening port on 127.0.0.1; 0 (default) picks a free one\n"
           "  --bucket NAME         bucket name (with or without the -appid suffix)\n"
           "  --app-id N            account app id\n"
           "  --region R            region, as the client configures it\n"
           "  --domain SUFFIX       accepted domain suffix (repeatable; default: the build's)\n"
           "  --secret-id ID        credential pair that signs requests\n"
           "  --secret-key KEY\n"
           "  --no-auth             do not check Authorization\n"
           "  --any-host            do not check Host\n"
           "  --request-log FILE    append one line per request served\n"
           "  --fault SPEC          kind[:param][,selector=value]... (repeatable)\n"
           "                        kinds: delay:MS close-before close-mid[:BYTES]\n"
           "                               truncate[:BYTES] status:5XX full drip:BYTES_PER_S\n"
           "                               replace[:OFFSET]\n"
           "                        selectors: every=N key=KEY share=P method=GET|HEAD times=N\n"
           "  --seed S              seed of share= decisions (default 1)\n"
           "  --threads N           most requests answered at once (default 64, at least 32)\n"
           "  --idle-timeout S      close a connection idle for S seconds (default 10)\n"
           "  --tls-cert FILE       serve HTTPS only, with this certificate (PEM, the chain\n"
           "  --tls-key FILE        after it) and its private key (PEM)\n"
           "  --help                this text\n";
}

bool ParseStandinOptions(int argc, char** argv, StandinOptions* options, std::string* error) {
    StandinOptions out;
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        std::string value;
        bool hasValue = false;
        const size_t eq = name.find('=');
        if (name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
            hasValue = true;
        }
        const bool isFlag = name == "--no-auth" || name == "--any-host";
        if (isFlag) {
            if (hasValue) {
                *error = name + " takes no value";
                return false;
            }
        } else if (!hasValue) {
            if (i + 1 >= argc) {
                *error = "option " + name + " needs a value";
                return false;
            }
            value = argv[++i];
        }

        uint64_t number = 0;
        if (name == "--root") {
            out.root = value;
        } else if (name == "--port") {
            if (!ParseNumber(value, 65535, &number)) {
                *error = "bad --port '" + value + "'";
                return false;
            }
            out.port = static_cast<uint16_t>(number);
        } else if (name == "--bucket") {
            out.bucket = value;
        } else if (name == "--app-id") {
            if (!ParseNumber(value, UINT64_MAX, &out.appId)) {
                *error = "bad --app-id '" + value + "'";
                return false;
            }
        } else if (name == "--region") {
            out.region = value;
        } else if (name == "--domain") {
            if (value.empty() || value[0] != '.') {
                *error = "--domain must begin with '.'";
                return false;
            }
            out.domains.push_back(value);
        } else if (name == "--secret-id") {
            out.secretId = value;
        } else if (name == "--secret-key") {
            out.secretKey = value;
        } else if (name == "--no-auth") {
            out.checkAuth = false;
        } else if (name == "--any-host") {
            out.checkHost = false;
        } else if (name == "--tls-cert") {
            out.tlsCertificate = value;
        } else if (name == "--tls-key") {
            out.tlsKey = value;
        } else if (name == "--request-log") {
            out.requestLog = value;
        } else if (name == "--fault") {
            FaultSpec spec;
            std::string problem;
            if (!ParseFaultSpec(value, &spec, &problem)) {
                *error = "bad --fault '" + value + "': " + problem;
                return false;
            }
            out.faults.push_back(spec);
        } else if (name == "--seed") {
            if (!ParseNumber(value, UINT64_MAX, &out.seed)) {
                *error = "bad --seed '" + value + "'";
                return false;
            }
        } else if (name == "--threads") {
            if (!ParseNumber(value, 1024, &number) || number < 32) {
                *error = "--threads takes a number from 32 to 1024";
                return false;
            }
            out.maxThreads = static_cast<int>(number);
        } else if (name == "--idle-timeout") {
            if (!ParseNumber(value, 3600, &number) || number < 1) {
                *error = "--idle-timeout takes a number of seconds from 1 to 3600";
                return false;
            }
            out.idleTimeoutSeconds = static_cast<int>(number);
        } else {
            *error = "unknown option '" + name + "'";
            return false;
        }
    }

    if (out.root.empty()) {
        *error = "--root is required";
        return false;
    }
    if (out.checkHost && (out.bucket.empty() || out.region.empty())) {
        *error = "--bucket and --region are required unless --any-host is given";
        return false;
    }
    if (out.checkAuth && (out.secretId.empty() || out.secretKey.empty())) {
        *error = "--secret-id and --secret-key are required unless --no-auth is given";
        return false;
    }
    if (out.tlsCertificate.empty() != out.tlsKey.empty()) {
        *error = "--tls-cert and --tls-key go together";
        return false;
    }
    if (out.domains.empty()) out.domains.push_back(objstore::build::kDefaultDomain);
    *options = out;
    return true;
}

}  // namespace standin
