// One whole installation by the install worker, without a window, for bench/install_bench.py:
// the summary read, then every step of the worker against a service on loopback.
// Usage: install_driver INSTALL_DIR HOST:PORT   (INSTALL_DIR a Windows path; Z:\ is the host root)
// Exit code 0 after a complete installation.
#include <cstdio>
#include <string>

#include "platform/posix/string_resources.h"
#include "system/install_log.h"
#include "system/product_settings.h"
#include "util/cos_global_settings.h"
#include "workflow/install_worker.h"
#include "workflow/storage_settings.h"
#include "workflow/version_files.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: %s INSTALL_DIR HOST:PORT\n", argv[0]);
        return 2;
    }
    RegisterStringResource(103, L"000001");
    RegisterStringResource(108, L"0001");
    ProductSettings& settings = ProductSettings::Instance();
    settings.packageCode = "000001";
    settings.brandName = "Bench";
    settings.installDir = argv[1];
    settings.stagingDir = settings.installDir + "temp";
    settings.logDir = settings.installDir + "logs";
    settings.dependBaseDir = settings.installDir + "depend";

    IClient state;
    LoadStorageSettings(state);
    CreateStorageClient(state);
    objstore::CosGlobalSettings& global = objstore::CosGlobalSettings::Instance();
    global.SetLogLevel(0);
    global.SetForcedHost(argv[2]);
    global.SetUseForcedHost(true);

    // What the dialog does when Install is pressed, then the worker on this thread.
    CreateDirectoryA(settings.stagingDir.c_str(), nullptr);
    OpenInstallLog();
    ReadSummary(state);
    unsigned result = InstallWorker(&state);
    DestroyStorageClient(state);
    return result == 1 ? 0 : 1;
}
