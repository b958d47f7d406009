// Command line of the release builder, parsed into plain values.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace release_builder {

// What a publisher hands to the builder: one folder per package, the names the
// version summary gives out, and where the bucket folder goes.
struct ReleaseOptions {
    std::string productFolder;  // runtime package "8.5/fix/<runtimeName>.zip"
    std::string baseFolder;     // service dependency package "8.5/base.zip"
    std::string configFolder;   // configuration package "8.5/config.zip"
    std::string dependFolder;   // front-end dependency package "8.5/depend.zip"; "" for none
    std::string quantFolder;    // quant package "8.5/quant/<quantName>.zip"; "" for none
    std::string runtimeName;    // without ".zip"
    std::string quantName;      // without ".zip"; "" when there is no quant package
    std::vector<std::string> packageCodes;  // six digits each, at least one
    std::optional<long long> cfgStamp;      // unset: newest modification time in configFolder
    std::string outputFolder;               // the bucket folder to create
    bool force = false;                     // replace an output folder that has content
    std::string signingKeyFile;             // Ed25519 private key (PEM); "" for no signature
};

struct ParseOutcome {
    bool ok = false;
    bool help = false;
    std::string error;  // set when !ok
    ReleaseOptions options;
};

// Parses the arguments after the program name. Checks only the form of the
// command line (known options, values present, required options given); what
// the values mean is checked by CheckRelease.
ParseOutcome ParseReleaseOptions(const std::vector<std::string>& args);

const char* UsageText();

}  // namespace release_builder
