// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Commands run without windows: `orlenda COMMAND ARGUMENTS`. Results go to standard output
// or to the file named, warnings and errors to standard error. Exit codes: 0 done, 1 failed,
// 2 usage error. The commands draw on Qt's offscreen platform, without widgets.
#include <iosfwd>
#include <string>
#include <vector>

namespace orlenda {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// Runs the command named by argv[1] under an application of its own and returns the exit
// code.
int RunCommandLine(int argc, char** argv);

// The same for arguments without the program name, writing to out and err; the drawing
// commands need a QGuiApplication.
int RunCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace orlenda
