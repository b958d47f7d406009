// The system root: the host folder that holds the emulated machine (drive folders, registry,
// the layer's settings), chosen by OBJSTORE_SYSROOT with a per-user default. The settings file
// itself is read in settings.cpp.
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>
#include <string>

#include "platform/posix/sysroot.h"
#include "platform/win32.h"

#ifndef OBJSTORE_WIN_SHIMS_DIR
#define OBJSTORE_WIN_SHIMS_DIR ""
#endif

namespace winlayer {

void EnsureRegistrySkeleton();  // registry.cpp

namespace {

std::string HostUserName() {
    if (passwd* pw = getpwuid(geteuid())) return pw->pw_name;
    const char* user = getenv("USER");
    return user ? user : "user";
}

std::string DefaultRoot() {
    const char* home = getenv("HOME");
    if (home && *home) return std::string(home) + "/.local/share/objstore-sysroot";
    return "/tmp/objstore-sysroot-" + std::to_string(geteuid());
}

void MakeDirs(const std::string& path) {
    std::string prefix;
    std::stringstream parts(path);
    std::string part;
    while (std::getline(parts, part, '/')) {
        if (part.empty()) continue;
        prefix += "/" + part;
        mkdir(prefix.c_str(), 0755);
    }
}

// Installs a helper program (cmd.exe, xcopy.exe) into the system folder when it is missing or
// differs from the built one.
void InstallShim(const std::string& fromDir, const std::string& name, const std::string& toDir) {
    std::string from = fromDir + "/" + name, to = toDir + "/" + name;
    struct stat src, dst;
    if (stat(from.c_str(), &src) != 0) return;
    if (stat(to.c_str(), &dst) == 0 && dst.st_size == src.st_size &&
        dst.st_mtim.tv_sec == src.st_mtim.tv_sec)
        return;
    // Copied aside under a name of this process and renamed into place: a reader never sees a
    // partial program, and a failed copy leaves the old one.
    std::string temp = to + ".new-" + std::to_string(getpid());
    bool ok;
    {
        std::ifstream in(from, std::ios::binary);
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << in.rdbuf();
        out.close();
        ok = in && out;
    }
    timespec times[2] = {src.st_atim, src.st_mtim};
    ok = ok && chmod(temp.c_str(), 0755) == 0 && utimensat(AT_FDCWD, temp.c_str(), times, 0) == 0 &&
         rename(temp.c_str(), to.c_str()) == 0;
    if (!ok) unlink(temp.c_str());
}

void BuildSkeleton(const std::string& root) {
    const std::string c = root + "/drive_c";
    for (const char* dir : {"/windows/system32", "/windows/temp", "/Users/Public/Desktop",
                            "/ProgramData", "/Program Files"})
        MakeDirs(c + dir);
    MakeDirs(c + "/Users/" + RunningAccountName() + "/AppData/Roaming");
    const char* envShims = getenv("OBJSTORE_WIN_SHIMS");
    std::string shims = envShims && *envShims ? envShims : OBJSTORE_WIN_SHIMS_DIR;
    if (!shims.empty())
        for (const char* name : {"cmd.exe", "xcopy.exe"})
            InstallShim(shims, name, c + "/windows/system32");
}

// Builds the skeleton; programs that start on a fresh root at once take turns (a lock file in the
// root), and every step leaves what exists in place.
void PrepareRoot(const std::string& root) {
    MakeDirs(root);
    int lock = open((root + "/.prepare.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lock >= 0) {
        while (flock(lock, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    BuildSkeleton(root);
    EnsureRegistrySkeleton();
    if (lock >= 0) close(lock);
}

}  // namespace

std::string SystemRootDir() {
    const char* env = getenv("OBJSTORE_SYSROOT");
    std::string root = env && *env ? env : DefaultRoot();
    while (root.size() > 1 && root.back() == '/') root.pop_back();
    // The registry calls of the preparation come back here: they get the root at once.
    thread_local std::string preparing;
    if (preparing == root) return root;
    // Other threads wait until the root is complete instead of using a half-built one.
    static std::mutex mutex;
    static std::set<std::string> prepared;
    std::lock_guard<std::mutex> lock(mutex);
    struct stat st;
    // A root removed while the program runs (tests do that) is built again.
    if (stat((root + "/drive_c").c_str(), &st) != 0) prepared.erase(root);
    if (prepared.count(root)) return root;
    struct Preparing {
        std::string& flag;
        Preparing(std::string& f, const std::string& root) : flag(f) { flag = root; }
        ~Preparing() { flag.clear(); }
    } mark(preparing, root);
    PrepareRoot(root);
    prepared.insert(root);
    return root;
}

std::string RunningAccountName() {
    static const std::string host = HostUserName();
    // Read directly (not through Setting) because the skeleton depends on it.
    const char* rootEnv = getenv("OBJSTORE_SYSROOT");
    std::string root = rootEnv && *rootEnv ? rootEnv : DefaultRoot();
    std::string value;
    if (LookupSetting(root, "account", "user", value) && !value.empty()) return value;
    return host;
}

}  // namespace winlayer
