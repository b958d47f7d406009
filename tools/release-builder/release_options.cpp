#include "release_options.h"

#include <cerrno>
#include <cstdlib>
#include <map>

namespace release_builder {
namespace {

// Options that take a value, and where the value goes.
using Field = std::string ReleaseOptions::*;
const std::map<std::string, Field>& FolderAndNameOptions() {
    static const std::map<std::string, Field> options = {
        {"--product", &ReleaseOptions::productFolder},
        {"--base", &ReleaseOptions::baseFolder},
        {"--config", &ReleaseOptions::configFolder},
        {"--depend", &ReleaseOptions::dependFolder},
        {"--quant", &ReleaseOptions::quantFolder},
        {"--runtime-name", &ReleaseOptions::runtimeName},
        {"--quant-name", &ReleaseOptions::quantName},
        {"--output", &ReleaseOptions::outputFolder},
        {"--signing-key", &ReleaseOptions::signingKeyFile},
    };
    return options;
}

// A signed decimal number that fits 64 bits, nothing else around it.
bool ParseStamp(const std::string& text, long long* value) {
    const size_t digits = !text.empty() && text[0] == '-' ? 1 : 0;
    if (text.size() == digits || text.find_first_not_of("0123456789", digits) != std::string::npos)
        return false;
    errno = 0;
    *value = std::strtoll(text.c_str(), nullptr, 10);
    return errno != ERANGE;
}

// "a,b" and repeated options both add codes.
void AddCodes(const std::string& text, std::vector<std::string>* codes) {
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(',', start);
        codes->push_back(text.substr(start, comma - start));
        if (comma == std::string::npos) return;
        start = comma + 1;
    }
}

std::string MissingRequired(const ReleaseOptions& o) {
    if (o.productFolder.empty()) return "--product is required";
    if (o.baseFolder.empty()) return "--base is required";
    if (o.configFolder.empty()) return "--config is required";
    if (o.runtimeName.empty()) return "--runtime-name is required";
    if (o.packageCodes.empty()) return "at least one --package-code is required";
    if (o.outputFolder.empty()) return "--output is required";
    if (o.quantFolder.empty() != o.quantName.empty())
        return "--quant and --quant-name go together: give both or neither";
    return std::string();
}

}  // namespace

const char* UsageText() {
    return "usage: objstore-release-builder [options]\n"
           "Writes a bucket folder holding one release of the product below \"8.5/\":\n"
           "summary.ini, base.zip, config.zip, fix/RUNTIME.zip and, when given,\n"
           "depend.zip and quant/QUANT.zip.\n"
           "required:\n"
           "  --product DIR          the product's files (runtime package fix/RUNTIME.zip)\n"
           "  --base DIR             service dependencies (base.zip)\n"
           "  --config DIR           configuration (config.zip); must hold\n"
           "                         config/ServerInfo/<company>.pub server lists\n"
           "  --runtime-name NAME    runtime package name, at most 20 characters\n"
           "  --package-code CODE    six-digit package code; repeat (or separate by commas)\n"
           "                         for every build the release serves\n"
           "  --output DIR           bucket folder to create; it must not exist or be empty\n"
           "optional:\n"
           "  --depend DIR           front-end dependencies (depend.zip)\n"
           "  --quant DIR            quant package (quant/QUANT.zip), with --quant-name\n"
           "  --quant-name NAME      quant package name, at most 20 characters\n"
           "  --cfg-stamp N          configuration time stamp, a signed decimal number\n"
           "                         (default: newest modification time in --config, in\n"
           "                         seconds since 1970)\n"
           "  --force                replace an output folder that has content\n"
           "  --signing-key FILE     the firm's Ed25519 private key (PEM, from\n"
           "                         objstore-release-keygen): adds the size and SHA-256 of\n"
           "                         every object to summary.ini and writes its signature\n"
           "                         as summary.ini.sig\n"
           "  --help                 this text\n"
           "Names may hold letters, digits, '.', '-' and '_'. The output is written beside\n"
           "DIR first and moved into place only when complete.\n"
           "Exit status: 0 written, 1 writing failed, 2 bad input (nothing written).\n";
}

ParseOutcome ParseReleaseOptions(const std::vector<std::string>& args) {
    ParseOutcome out;
    ReleaseOptions& o = out.options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            out.help = true;
            out.ok = true;
            return out;
        }
        if (arg == "--force") {
            o.force = true;
            continue;
        }
        const auto& fields = FolderAndNameOptions();
        const bool takesValue =
            fields.count(arg) != 0 || arg == "--package-code" || arg == "--cfg-stamp";
        if (!takesValue) {
            out.error = "unknown option " + arg;
            return out;
        }
        if (i + 1 >= args.size() || args[i + 1].empty()) {
            out.error = arg + " needs a value";
            return out;
        }
        const std::string& value = args[++i];
        if (arg == "--package-code") {
            AddCodes(value, &o.packageCodes);
        } else if (arg == "--cfg-stamp") {
            long long stamp = 0;
            if (!ParseStamp(value, &stamp)) {
                out.error = "--cfg-stamp is not a signed decimal 64-bit number: " + value;
                return out;
            }
            o.cfgStamp = stamp;
        } else {
            o.*fields.at(arg) = value;
        }
    }
    out.error = MissingRequired(o);
    out.ok = out.error.empty();
    return out;
}

}  // namespace release_builder
