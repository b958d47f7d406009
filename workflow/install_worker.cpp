#include "workflow/install_worker.h"

#include <cstdio>
#include <string>

#include "system/file_helpers.h"
#include "system/install_log.h"
#include "system/product_config.h"
#include "system/product_identity.h"
#include "system/product_settings.h"
#include "system/shortcut.h"
#include "system/uninstall.h"
#include "workflow/extract/extract_package.h"
#include "workflow/folder_swap.h"
#include "workflow/install_steps.h"
#include "workflow/package_download.h"
#include "workflow/version_files.h"

namespace {

constexpr DWORD kStepPauseMs = 100;
constexpr size_t kFileNameSize = 101;
constexpr int32_t kReplaceProgress = 5;
constexpr int32_t kMoveInProgress = 4;
constexpr int32_t kFinishProgress = 1;

// name + ".zip", formatted as the worker's 101-byte file name buffer holds it.
std::string ZipName(const char* name) {
    char file[kFileNameSize] = {};
    snprintf(file, sizeof file, "%s.zip", name);
    return file;
}

class Worker {
  public:
    explicit Worker(IClient& state)
        : m_state(state),
          m_settings(ProductSettings::Instance()),
          m_staging(m_settings.stagingDir),
          m_install(m_settings.installDir) {}

    bool Run() { return DownloadPackages() && UnpackPackages() && Finish(); }

  private:
    bool Fail(int step) {
        WriteLogLine(StepFailureLine(step));
        PostInstallFailed(step);
        return false;
    }

    void Begin(int step) {
        WriteLogLine(StepStartLine(step));
        PostInstallStep(step);
    }

    void AddProgress(int32_t amount) { PostInstallProgress(m_state.progress += amount); }

    // keyPrefix + "/" + file into the staging folder, announced as `step`.
    bool Fetch(int step, const char* file) {
        PostInstallStep(step);
        std::string key = m_state.keyPrefix + "/" + file;
        std::string local = m_staging + "/" + file;
        return DownloadObject(m_state, key.c_str(), local.c_str()) || Fail(step);
    }

    bool Download(int step, const char* file) {
        WriteLogLine(StepStartLine(step));
        return Fetch(step, file);
    }

    bool Unpack(int step, const std::string& zip, const std::string& destination) {
        Begin(step);
        ExtractProgress progress{m_state.plannedDownloads, &m_state.progress, DialogWindowHandle};
        return ExtractPackage(zip.c_str(), destination.c_str(), progress) || Fail(step);
    }

    // With a release key, nothing is fetched unless the summary's signature verified; the
    // step that would fetch the first package fails (ReadSummary logged why).
    bool ReleaseMayBeFetched() {
        if (!m_state.releaseCheck.Active() || m_state.releaseCheck.summaryVerified) return true;
        const int first = m_state.downloadDepend ? kStepDownloadDepend : kStepDownloadBase;
        if (first != kStepDownloadDepend) WriteLogLine(StepStartLine(first));
        PostInstallStep(first);
        return Fail(first);
    }

    bool DownloadPackages() {
        Sleep(kStepPauseMs);
        // Logged whether or not the front-end package is wanted.
        WriteLogLine(StepStartLine(kStepDownloadDepend));
        if (!ReleaseMayBeFetched()) return false;
        if (m_state.downloadDepend && !Fetch(kStepDownloadDepend, "depend.zip")) return false;
        if (!Download(kStepDownloadBase, "base.zip")) return false;
        if (!Download(kStepDownloadConfig, "config.zip")) return false;
        WriteLogLine(StepStartLine(kStepDownloadFix));
        if (!DownloadFixPackage(m_state, ZipName(m_state.fixName).c_str())) {
            return Fail(kStepDownloadFix);
        }
        if (m_state.downloadQuant) {
            WriteLogLine(StepStartLine(kStepDownloadQuant));
            if (!DownloadQuantPackage(m_state, ZipName(m_state.quantName).c_str())) {
                return Fail(kStepDownloadQuant);
            }
        }
        return true;
    }

    bool UnpackPackages() {
        if (!Unpack(kStepUnpackDepend, m_staging + "/depend.zip", m_settings.dependBaseDir)) {
            return false;
        }
        Sleep(kStepPauseMs);
        if (!Unpack(kStepUnpackBase, m_staging + "/base.zip", m_staging)) return false;
        Sleep(kStepPauseMs);
        char fixZip[kFileNameSize] = {};
        snprintf(fixZip, sizeof fixZip, "/%s.zip", m_state.fixName);
        if (!Unpack(kStepUnpackFix, m_staging + fixZip, m_staging)) return false;
        Sleep(kStepPauseMs);
        return Unpack(kStepUnpackConfig, m_staging + "/config.zip", m_staging);
    }

    bool Finish() {
        Sleep(kStepPauseMs);
        Begin(kStepCleanup);
        CleanupStaging(m_state);

        Sleep(kStepPauseMs);
        Begin(kStepSaveVersion);
        WriteVersionFile(m_state, m_staging);
        m_settings.installedVersion = m_state.fixName;

        if (!PutNewVersionInPlace()) return false;

        RegisterUninstall();
        CreateDesktopShortcut();
        CloseInstallLog();
        WriteProductConfig();
        AddProgress(kFinishProgress);
        PostInstallDone();
        return true;
    }

    // The old installation stays, set aside, until the new version is in the install folder.
    bool PutNewVersionInPlace() {
        FolderSwap swap = MakeFolderSwap(m_staging, m_install);
        Begin(kStepReplace);
        if (!SetOldInstallationAside(swap)) return Fail(kStepMoveIn);
        AddProgress(kReplaceProgress);
        WriteLogLine(StepStartLine(kStepMoveIn));
        if (!MoveNewVersionIn(swap)) return Fail(kStepMoveIn);
        AddProgress(kMoveInProgress);
        DiscardOldInstallation(swap);
        return true;
    }

    IClient& m_state;
    ProductSettings& m_settings;
    const std::string m_staging;
    const std::string m_install;
};

}  // namespace

unsigned WINAPI InstallWorker(void* state) {
    return Worker(*static_cast<IClient*>(state)).Run() ? 1 : 0;
}

void CleanupStaging(const IClient& state) {
    const std::string staging = ProductSettings::Instance().stagingDir;
    for (const std::string& file :
         {std::string("summary.ini"), std::string("summary.ini.sig"), std::string("depend.zip"),
          std::string("base.zip"), std::string("config.zip"), ZipName(state.fixName),
          ZipName(state.quantName)}) {
        DeletePath((staging + "/" + file).c_str());
    }
    std::string target = staging + "/config/LoginFrm.Server.pub";
    std::string listFolder = staging + "/config/ServerInfo";
    std::string source = listFolder + "/" + LoadResourceText(kCompanyString) + ".pub";
    DeletePath(target.c_str());
    MoveFileA(source.c_str(), target.c_str());
    DeletePath(listFolder.c_str());
}
