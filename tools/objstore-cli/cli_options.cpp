#include "cli_options.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <limits>

namespace objstore_cli {
namespace {

bool ParseUnsigned(const std::string& text, uint64_t max, uint64_t* value) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
    errno = 0;
    const unsigned long long parsed = std::strtoull(text.c_str(), nullptr, 10);
    if (errno == ERANGE || parsed > max) return false;
    *value = parsed;
    return true;
}

bool SplitPair(const std::string& text, char separator, std::string* name, std::string* value) {
    const size_t at = text.find(separator);
    if (at == std::string::npos || at == 0) return false;
    *name = text.substr(0, at);
    size_t valueStart = at + 1;
    if (separator == ':' && valueStart < text.size() && text[valueStart] == ' ') ++valueStart;
    *value = text.substr(valueStart);
    return true;
}

bool ReadFirstLine(const std::string& path, std::string* line) {
    std::ifstream in(path);
    if (!in) return false;
    std::getline(in, *line);
    if (!line->empty() && line->back() == '\r') line->pop_back();
    return true;
}

}  // namespace

std::optional<std::string> ProcessEnv(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr) return std::nullopt;
    return std::string(value);
}

const char* UsageText() {
    return "usage: objstore-cli [options] COMMAND ARGS\n"
           "commands:\n"
           "  head BUCKET KEY        print the object's length, ETag and headers\n"
           "  exists BUCKET KEY      exit 0 when the object exists, 1 when not\n"
           "  get BUCKET KEY FILE    download the object into FILE (replaced only when complete)\n"
           "  sign                   print the Authorization value of a request\n"
           "options (environment variable in brackets):\n"
           "  --app-id N             account id [OBJSTORE_APP_ID]\n"
           "  --secret-id ID         access key id [OBJSTORE_SECRET_ID]\n"
           "  --secret-key-file F    read the secret key from F's first line\n"
           "                         [OBJSTORE_SECRET_KEY holds the key itself]\n"
           "  --region R             region [OBJSTORE_REGION]\n"
           "  --endpoint HOST:PORT   connect there; Host and signature stay the bucket's\n"
           "                         [OBJSTORE_ENDPOINT]\n"
           "  --threads N            parallel slices, 1..10\n"
           "  --slice-size BYTES     bytes per slice, 4096..20971520\n"
           "  --profile P            transfer profile of get: fast (default; kept-alive\n"
           "                         connections, slices from a queue) or standard\n"
           "                         (batches of slices, a new connection per slice)\n"
           "  --log-level N          client log to stderr: 0 none .. 4 debug\n"
           "  --quiet                no progress output\n"
           "sign options:\n"
           "  --method M --path P --header 'Name: value' --param name=value\n"
           "  --start SECONDS --end SECONDS   explicit window (default: now, now+3600)\n";
}

ParseOutcome ParseCommandLine(const std::vector<std::string>& args, EnvLookup env) {
    ParseOutcome out;
    CliOptions& o = out.options;
    if (auto v = env("OBJSTORE_SECRET_ID")) o.secretId = *v;
    if (auto v = env("OBJSTORE_SECRET_KEY")) o.secretKey = *v;
    if (auto v = env("OBJSTORE_REGION")) o.region = *v;
    if (auto v = env("OBJSTORE_ENDPOINT")) o.endpoint = *v;
    if (auto v = env("OBJSTORE_APP_ID")) {
        if (!ParseUnsigned(*v, std::numeric_limits<uint64_t>::max(), &o.appId)) {
            out.error = "OBJSTORE_APP_ID is not a number: " + *v;
            return out;
        }
    }

    auto fail = [&out](const std::string& message) {
        out.ok = false;
        out.error = message;
        return out;
    };

    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "-h" || arg == "--help") {
            out.help = true;
            out.ok = true;
            return out;
        }
        if (arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            if (o.command.empty()) {
                o.command = arg;
            } else {
                o.arguments.push_back(arg);
            }
            continue;
        }
        if (arg == "--quiet") {
            o.quiet = true;
            continue;
        }
        if (i + 1 >= args.size()) return fail("option " + arg + " needs a value");
        const std::string& value = args[++i];
        uint64_t number = 0;
        if (arg == "--app-id") {
            if (!ParseUnsigned(value, std::numeric_limits<uint64_t>::max(), &number)) {
                return fail("--app-id needs a number");
            }
            o.appId = number;
        } else if (arg == "--secret-id") {
            o.secretId = value;
        } else if (arg == "--secret-key-file") {
            if (!ReadFirstLine(value, &o.secretKey)) return fail("cannot read " + value);
        } else if (arg == "--region") {
            o.region = value;
        } else if (arg == "--endpoint") {
            o.endpoint = value;
        } else if (arg == "--threads") {
            if (!ParseUnsigned(value, 10, &number) || number == 0) {
                return fail("--threads needs a number from 1 to 10");
            }
            o.threads = static_cast<uint32_t>(number);
        } else if (arg == "--slice-size") {
            if (!ParseUnsigned(value, 20971520, &number) || number < 4096) {
                return fail("--slice-size needs a number from 4096 to 20971520");
            }
            o.sliceSize = static_cast<uint32_t>(number);
        } else if (arg == "--profile") {
            if (value != "fast" && value != "standard") {
                return fail("--profile needs fast or standard");
            }
            o.fastProfile = value == "fast";
        } else if (arg == "--log-level") {
            if (!ParseUnsigned(value, 4, &number)) return fail("--log-level needs 0 to 4");
            o.logLevel = static_cast<int>(number);
        } else if (arg == "--method") {
            o.method = value;
        } else if (arg == "--path") {
            o.path = value;
        } else if (arg == "--header" || arg == "--param") {
            std::string name, text;
            const char separator = arg == "--header" ? ':' : '=';
            if (!SplitPair(value, separator, &name, &text)) {
                return fail(arg + " needs NAME" + separator + "VALUE");
            }
            (arg == "--header" ? o.headers : o.params)[name] = text;
        } else if (arg == "--start" || arg == "--end") {
            if (!ParseUnsigned(value, std::numeric_limits<uint64_t>::max(), &number)) {
                return fail(arg + " needs seconds since 1970");
            }
            (arg == "--start" ? o.start : o.end) = number;
        } else {
            return fail("unknown option " + arg);
        }
    }

    static const std::map<std::string, size_t> kArity = {
        {"head", 2}, {"exists", 2}, {"get", 3}, {"sign", 0}};
    auto arity = kArity.find(o.command);
    if (o.command.empty()) return fail("no command given");
    if (arity == kArity.end()) return fail("unknown command " + o.command);
    if (o.arguments.size() != arity->second) {
        return fail(o.command + " takes " + std::to_string(arity->second) + " arguments");
    }
    if (o.start.has_value() != o.end.has_value()) return fail("--start and --end go together");
    if (o.start && *o.end < *o.start) return fail("--end lies before --start");
    out.ok = true;
    return out;
}

}  // namespace objstore_cli
