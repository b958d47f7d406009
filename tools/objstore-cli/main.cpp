// objstore-cli: check credentials, look at an object and fetch it.
#include <chrono>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <set>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

#include <Poco/Exception.h>
#include <Poco/File.h>
#include <Poco/Process.h>

#include "cli_options.h"
#include "cos_client.h"
#include "op/object_op.h"
#include "progress_meter.h"
#include "trsf/transfer_handler.h"
#include "util/cos_global_settings.h"
#include "util/request_signer.h"

namespace {

using objstore::CosGlobalSettings;
using objstore_cli::CliOptions;

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

void ApplySettings(const CliOptions& options) {
    CosGlobalSettings& settings = CosGlobalSettings::Instance();
    // Client log lines go to stderr so stdout carries only the command's output.
    settings.SetLogOutput(0);
    settings.SetLogLevel(options.logLevel);
    if (options.logLevel > 0) {
        settings.SetLogCallback([](const std::string& line) { std::fputs(line.c_str(), stderr); });
    }
    if (!options.endpoint.empty()) {
        settings.SetForcedHost(options.endpoint);
        settings.SetUseForcedHost(true);
    }
    settings.SetTransferProfile(options.fastProfile ? objstore::TransferProfile::Fast
                                                    : objstore::TransferProfile::Standard);
    if (options.threads) settings.SetDownloadThreads(*options.threads);
    if (options.sliceSize) settings.SetDownloadSliceSize(*options.sliceSize);
}

// "failed: <what> <bucket>/<key>: <message>", then what is known of where and
// how it failed, each part only when there is something to say.
void PrintFailure(const char* what, const CliOptions& options, const objstore::CosResult& result) {
    std::string details;
    const auto add = [&details](const std::string& part) {
        details += (details.empty() ? "" : "; ") + part;
    };
    if (!result.GetErrorContext().empty()) add(result.GetErrorContext());
    if (result.GetHttpStatus() != -1)
        add("last answer HTTP " + std::to_string(result.GetHttpStatus()));
    if (result.GetHttpStatus() == -1) add("no answer from the service");
    if (!result.GetErrorCode().empty()) add("error code " + result.GetErrorCode());
    if (!result.GetXCosRequestId().empty()) add("request id " + result.GetXCosRequestId());
    const std::string message =
        result.GetErrorMsg().empty() ? std::string("no reason given") : result.GetErrorMsg();
    std::fprintf(stderr, "failed: %s %s/%s: %s\n  (%s)\n", what, options.arguments[0].c_str(),
                 options.arguments[1].c_str(), message.c_str(), details.c_str());
}

bool CheckCredentials(const CliOptions& options) {
    if (options.secretId.empty() || options.secretKey.empty() || options.region.empty()) {
        std::fprintf(stderr,
                     "objstore-cli: secret id, secret key and region are required "
                     "(options or OBJSTORE_SECRET_ID, OBJSTORE_SECRET_KEY, OBJSTORE_REGION)\n");
        return false;
    }
    return true;
}

int RunHead(const CliOptions& options, const objstore::CosClient& client) {
    objstore::HeadObjectReq req(options.arguments[0], options.arguments[1]);
    objstore::HeadObjectResp resp;
    objstore::CosResult result = client.GetObjectOp().HeadObject(req, &resp);
    if (!result.IsSucc()) {
        PrintFailure("head", options, result);
        return kExitFailed;
    }
    std::printf("length: %llu\netag: %s\nrequest id: %s\n",
                static_cast<unsigned long long>(resp.GetContentLength()), resp.GetEtag().c_str(),
                result.GetXCosRequestId().c_str());
    for (const auto& [name, value] : resp.GetHeaders()) {
        std::printf("%s: %s\n", name.c_str(), value.c_str());
    }
    return kExitOk;
}

int RunExists(const CliOptions& options, const objstore::CosClient& client) {
    const bool exists = client.ObjectExists(options.arguments[0], options.arguments[1]);
    std::printf("%s\n", exists ? "exists" : "missing or unreachable");
    return exists ? kExitOk : kExitFailed;
}

struct ProgressState {
    objstore_cli::ProgressMeter meter;
    std::chrono::steady_clock::time_point start;
    bool quiet;
};

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The download goes to a name beside FILE that only this run uses; FILE is
// replaced only by a complete copy, and a failure leaves it as it was.
std::string PartialName(const std::string& file) {
    return file + ".part-" + std::to_string(Poco::Process::id());
}

void RemoveQuietly(const std::string& path) {
    try {
        Poco::File(path).remove();
    } catch (const Poco::Exception&) {
        // Never created, or already gone.
    }
}

int RunGet(const CliOptions& options, objstore::CosClient& client) {
    const std::string& file = options.arguments[2];
    const std::string partial = PartialName(file);
    objstore::AsyncMultiGetObjectReq req(options.arguments[0], options.arguments[1], partial);
    ProgressState progress{objstore_cli::ProgressMeter(isatty(fileno(stderr)) != 0),
                           std::chrono::steady_clock::now(), options.quiet};
    req.SetUserData(&progress);
    req.SetTransferProgressCallback([](uint64_t done, uint64_t total, void* user) {
        auto* state = static_cast<ProgressState*>(user);
        if (state->quiet) return;
        if (auto text = state->meter.Update(done, total, SecondsSince(state->start))) {
            std::fputs(text->c_str(), stderr);
        }
    });

    std::shared_ptr<objstore::AsyncContext> context = client.AsyncMultiGetObject(req);
    context->WaitUntilFinished();
    const objstore::CosResult result = context->GetResult();
    if (!result.IsSucc()) {
        RemoveQuietly(partial);
        std::fputs(progress.meter.Interrupt().c_str(), stderr);
        PrintFailure("get", options, result);
        return kExitFailed;
    }
    // Success means every slice was written; the size check guards that promise.
    const uint64_t total = context->GetTransferHandler()->GetTotalSize();
    const uint64_t size = Poco::File(partial).getSize();
    if (size != total) {
        RemoveQuietly(partial);
        std::fputs(progress.meter.Interrupt().c_str(), stderr);
        std::fprintf(stderr, "failed: get %s/%s: the copy holds %llu bytes, the object %llu\n",
                     options.arguments[0].c_str(), options.arguments[1].c_str(),
                     static_cast<unsigned long long>(size), static_cast<unsigned long long>(total));
        return kExitFailed;
    }
    try {
        Poco::File(partial).renameTo(file);
    } catch (const Poco::Exception& e) {
        RemoveQuietly(partial);
        std::fputs(progress.meter.Interrupt().c_str(), stderr);
        std::fprintf(stderr, "failed: get %s/%s: cannot move the copy to %s: %s\n",
                     options.arguments[0].c_str(), options.arguments[1].c_str(), file.c_str(),
                     e.displayText().c_str());
        return kExitFailed;
    }
    if (!options.quiet) {
        std::fputs(progress.meter.Finish(total, SecondsSince(progress.start)).c_str(), stderr);
    }
    return kExitOk;
}

int RunSign(const CliOptions& options) {
    if (options.secretId.empty() || options.secretKey.empty()) {
        std::fprintf(stderr, "objstore-cli: sign needs a secret id and a secret key\n");
        return kExitUsage;
    }
    std::string auth;
    if (options.start) {
        auth = objstore::RequestSigner::SignForWindow(
            options.secretId, options.secretKey, options.method, options.path, options.headers,
            options.params, {}, *options.start, *options.end);
    } else {
        auth = objstore::RequestSigner::Sign(options.secretId, options.secretKey, options.method,
                                             options.path, options.headers, options.params, {});
    }
    std::printf("%s\n", auth.c_str());
    return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    objstore_cli::ParseOutcome parsed = objstore_cli::ParseCommandLine(args);
    if (parsed.help) {
        std::fputs(objstore_cli::UsageText(), stdout);
        return kExitOk;
    }
    if (!parsed.ok) {
        std::fprintf(stderr, "objstore-cli: %s\n%s", parsed.error.c_str(),
                     objstore_cli::UsageText());
        return kExitUsage;
    }
    const CliOptions& options = parsed.options;
    ApplySettings(options);
    if (options.command == "sign") return RunSign(options);
    if (!CheckCredentials(options)) return kExitUsage;

    objstore::CosClient client(
        objstore::CosConfig(options.appId, options.secretId, options.secretKey, options.region));
    try {
        if (options.command == "head") return RunHead(options, client);
        if (options.command == "exists") return RunExists(options, client);
        return RunGet(options, client);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "objstore-cli: %s\n", e.what());
        return kExitFailed;
    }
}
