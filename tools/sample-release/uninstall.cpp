// The sample release's "uninstall.exe": the installer only registers it, so it does no more than
// leave a trace that it ran (uninstall-report.txt in its current folder, one argument a line)
// and end with exit code 0.
#include <fstream>

int main(int argc, char** argv) {
    std::ofstream report("uninstall-report.txt", std::ios::binary);
    report << "uninstall\n";
    for (int i = 1; i < argc; ++i) report << "arg=" << argv[i] << "\n";
    return 0;
}
