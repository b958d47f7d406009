#include "workflow/extract/extract_package.h"

#include "workflow/extract/unzip.h"

namespace {
constexpr UINT kInstallProgressMessage = WM_USER + 107;  // WM_INSTALL_PROGRESS

bool FileCanBeRead(const char* path) {
    FILE* file = _fsopen(path, "rb", _SH_DENYNO);
    if (!file) return false;
    fclose(file);
    return true;
}
}  // namespace

bool ExtractPackage(const char* zipPath, const char* destination, const ExtractProgress& progress) {
    if (!zipPath || !FileCanBeRead(zipPath)) return true;  // the package is not part of this run
    bool extracted = TUnzip::UnzipToFolder(zipPath, destination);
    if (extracted && progress.progress) {
        int32_t step =
            progress.plannedDownloads > 0 ? int32_t(10.0 / progress.plannedDownloads) : 0;
        int32_t position = progress.progress->fetch_add(step) + step;
        PostMessageW(progress.window, kInstallProgressMessage, 0, LPARAM(position));
    }
    return extracted;
}
