// Starts an asynchronous download and returns from main while it runs, as a
// user closing the installer mid-download does. Exits 0 when the process ends
// cleanly. Usage: download_exit_probe HOST:PORT LOCAL_FILE
#include <chrono>
#include <cstdio>
#include <thread>

#include "cos_client.h"
#include "trsf/transfer_handler.h"
#include "util/cos_global_settings.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: download_exit_probe HOST:PORT LOCAL_FILE\n");
        return 2;
    }
    objstore::CosGlobalSettings& settings = objstore::CosGlobalSettings::Instance();
    settings.SetLogLevel(0);
    settings.SetForcedHost(argv[1]);
    settings.SetUseForcedHost(true);
    settings.SetDownloadSliceSize(65536);
    // Long enough that only a cancel, not a time-out, can end the requests soon.
    settings.SetReceiveTimeoutMs(120000);

    objstore::CosClient client(objstore::CosConfig(1, "id", "key", "r"));
    objstore::AsyncMultiGetObjectReq req("b", "k", argv[2]);
    std::shared_ptr<objstore::AsyncContext> context = client.AsyncMultiGetObject(req);
    const std::shared_ptr<objstore::TransferHandler> handler = context->GetTransferHandler();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (handler->GetTransferredSize() == 0 && !objstore::IsFinalState(handler->GetStatus()) &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::printf("leaving with status %d after %llu bytes\n", static_cast<int>(handler->GetStatus()),
                static_cast<unsigned long long>(handler->GetTransferredSize()));
    std::fflush(stdout);
    return 0;
}
