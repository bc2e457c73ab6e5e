#pragma once
// Commands run without windows: `orlenda COMMAND ARGUMENTS`. Results go to standard output
// or to the file named, warnings and errors to standard error. Exit codes: 0 done, 1 failed,
// 2 usage error. The drawing commands run the windows hidden on Qt's offscreen platform.
#include <iosfwd>
#include <string>
#include <vector>

namespace orlenda {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// Runs the command named by argv[1] and returns the exit code.
int RunCommandLine(int argc, char** argv);

// The same for arguments without the program name, writing to out and err.
int RunCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   const std::string& programDir);

// Folder of the running program; argv0's folder when the system cannot tell.
std::string ProgramDirectory(const char* argv0 = nullptr);

}  // namespace orlenda
