#include "program_run.h"

#include <thread>

#include <Poco/Pipe.h>
#include <Poco/PipeStream.h>
#include <Poco/Process.h>
#include <Poco/StreamCopier.h>

namespace release_test {

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                         const std::map<std::string, std::string>& env,
                         const std::string& workingFolder) {
    Poco::Pipe outPipe;
    Poco::Pipe errPipe;
    Poco::Process::Env environment(env.begin(), env.end());
    Poco::ProcessHandle handle = Poco::Process::launch(program, args, workingFolder, nullptr,
                                                       &outPipe, &errPipe, environment);
    ProgramResult result;
    // Both pipes are drained at once so that neither can fill up and stall the program.
    std::thread errReader([&errPipe, &result] {
        Poco::PipeInputStream in(errPipe);
        Poco::StreamCopier::copyToString(in, result.err);
    });
    Poco::PipeInputStream in(outPipe);
    Poco::StreamCopier::copyToString(in, result.out);
    errReader.join();
    result.exitCode = handle.wait();
    return result;
}

}  // namespace release_test
