#include "release_plan.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <system_error>

#include "package_names.h"
#include "release_signing.h"
#include "summary_file.h"

namespace release_builder {
namespace {

namespace fs = std::filesystem;

struct FolderRole {
    const char* option;
    const std::string* folder;
    std::string objectKey;
};

std::string CodesProblem(const std::vector<std::string>& codes) {
    std::set<std::string> seen;
    for (const std::string& code : codes) {
        if (!IsPackageCode(code)) return "package code \"" + code + "\" is not six digits";
        if (!seen.insert(code).second) return "package code " + code + " is given twice";
    }
    return std::string();
}

std::string NamesProblem(const ReleaseOptions& o) {
    std::string problem = PackageNameProblem(o.runtimeName);
    if (!problem.empty()) return "runtime package name \"" + o.runtimeName + "\" " + problem;
    if (o.quantName.empty()) return std::string();
    problem = PackageNameProblem(o.quantName);
    if (!problem.empty()) return "quant package name \"" + o.quantName + "\" " + problem;
    return std::string();
}

std::vector<FolderRole> Roles(const ReleaseOptions& o) {
    const std::string prefix = std::string(kKeyPrefix) + "/";
    std::vector<FolderRole> roles;
    if (!o.dependFolder.empty())
        roles.push_back({"--depend", &o.dependFolder, prefix + "depend.zip"});
    roles.push_back({"--base", &o.baseFolder, prefix + "base.zip"});
    roles.push_back({"--config", &o.configFolder, prefix + "config.zip"});
    roles.push_back({"--product", &o.productFolder, prefix + "fix/" + o.runtimeName + ".zip"});
    if (!o.quantFolder.empty())
        roles.push_back({"--quant", &o.quantFolder, prefix + "quant/" + o.quantName + ".zip"});
    return roles;
}

std::string ServerListsProblem(const std::string& configFolder) {
    const fs::path lists = fs::path(configFolder) / "config" / "ServerInfo";
    std::error_code error;
    if (!fs::is_directory(lists, error))
        return "the configuration folder \"" + configFolder +
               "\" has no config/ServerInfo/ folder for the server lists";
    for (fs::directory_iterator it(lists, error), end; !error && it != end; it.increment(error)) {
        if (it->path().extension() == ".pub" && fs::is_regular_file(it->path(), error))
            return std::string();
    }
    return "the folder \"" + lists.string() + "\" holds no <company>.pub server list";
}

// True when inner is outer or lies below it, links and ".." resolved.
bool IsWithin(const fs::path& inner, const fs::path& outer) {
    std::error_code innerError, outerError;
    const fs::path a = fs::weakly_canonical(inner, innerError);
    const fs::path b = fs::weakly_canonical(outer, outerError);
    if (innerError || outerError) return false;
    const auto mismatch = std::mismatch(b.begin(), b.end(), a.begin(), a.end());
    return mismatch.first == b.end();
}

// The output folder as an absolute path without a trailing slash, so that its
// parent and its name (used for the folders written beside it) are the real ones.
fs::path OutputPath(const std::string& folder) {
    fs::path path = fs::absolute(fs::path(folder)).lexically_normal();
    if (!path.has_filename() && path.has_relative_path()) path = path.parent_path();
    return path;
}

std::string OutputProblem(const ReleaseOptions& o, const std::vector<FolderRole>& roles) {
    const fs::path output = OutputPath(o.outputFolder);
    std::error_code error;
    const fs::path parent = output.parent_path();
    if (!fs::is_directory(parent, error))
        return "the folder \"" + parent.string() + "\" that is to hold the output does not exist";
    for (const FolderRole& role : roles) {
        if (IsWithin(output, *role.folder) || IsWithin(*role.folder, output))
            return "the output folder \"" + o.outputFolder + "\" and the " + role.option +
                   " folder lie inside each other";
    }
    if (!fs::exists(fs::symlink_status(output, error))) return std::string();
    if (!fs::is_directory(fs::symlink_status(output, error)))
        return "the output \"" + o.outputFolder + "\" exists and is not a folder";
    if (!fs::is_empty(output, error) && !o.force)
        return "the output folder \"" + o.outputFolder +
               "\" exists and is not empty (--force replaces it)";
    return std::string();
}

std::string ListPackages(const std::vector<FolderRole>& roles, std::vector<PackagePlan>* out) {
    for (const FolderRole& role : roles) {
        std::error_code error;
        if (!fs::is_directory(*role.folder, error))
            return "the " + std::string(role.option) + " folder \"" + *role.folder +
                   "\" does not exist or is not a folder";
        PackagePlan package{role.objectKey, {}};
        std::string problem;
        if (!ListFolder(*role.folder, &package.entries, &problem)) return problem;
        out->push_back(std::move(package));
    }
    return std::string();
}

long long NewestModification(const std::vector<ArchiveEntry>& entries) {
    long long newest = 0;
    for (const ArchiveEntry& entry : entries) newest = std::max<long long>(newest, entry.modified);
    return newest;
}

long long ConfigStamp(const ReleaseOptions& options, const std::vector<PackagePlan>& packages) {
    if (options.cfgStamp) return *options.cfgStamp;
    const std::string configKey = std::string(kKeyPrefix) + "/config.zip";
    for (const PackagePlan& package : packages) {
        if (package.objectKey == configKey) return NewestModification(package.entries);
    }
    return 0;
}

// Reads the private key; it must never end up inside a package or the bucket folder.
std::string SigningKeyProblem(const ReleaseOptions& o, const std::vector<FolderRole>& roles,
                              std::string* key) {
    if (o.signingKeyFile.empty()) return std::string();
    for (const FolderRole& role : roles) {
        if (IsWithin(o.signingKeyFile, *role.folder))
            return "the signing key \"" + o.signingKeyFile + "\" lies inside the " + role.option +
                   " folder and would be published";
    }
    if (IsWithin(o.signingKeyFile, OutputPath(o.outputFolder)))
        return "the signing key \"" + o.signingKeyFile +
               "\" lies inside the output folder and would be published";
    return ReadSigningKey(o.signingKeyFile, key);
}

}  // namespace

std::string PlanRelease(const ReleaseOptions& options, ReleasePlan* plan) {
    std::string problem = CodesProblem(options.packageCodes);
    if (problem.empty()) problem = NamesProblem(options);
    const std::vector<FolderRole> roles = Roles(options);
    if (problem.empty()) problem = ListPackages(roles, &plan->packages);
    if (problem.empty()) problem = ServerListsProblem(options.configFolder);
    if (problem.empty()) problem = OutputProblem(options, roles);
    if (problem.empty()) problem = SigningKeyProblem(options, roles, &plan->signingKey);
    if (!problem.empty()) return problem;

    plan->summaryText = SummaryText(ConfigStamp(options, plan->packages), options.packageCodes,
                                    options.runtimeName, options.quantName);
    plan->outputFolder = OutputPath(options.outputFolder).string();
    plan->force = options.force;
    return std::string();
}

}  // namespace release_builder
