// Runs a program to its end and keeps what it printed.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace release_test {

struct ProgramResult {
    int exitCode = -1;
    std::string out;  // standard output, bytes as written
    std::string err;  // standard error
};

// Starts program with args (and env added to this process's environment) in
// workingFolder ("": this process's), waits for it and collects both outputs.
// Throws when it cannot be started.
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                         const std::map<std::string, std::string>& env = {},
                         const std::string& workingFolder = std::string());

}  // namespace release_test
