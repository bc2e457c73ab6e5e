#include "cli/cli.h"

#include <filesystem>
#include <iostream>

#include "cli/options.h"

#ifndef ORLENDA_VERSION
#define ORLENDA_VERSION "unknown"
#endif

namespace orlenda {

using cli::Command;
using cli::FindCommand;
using cli::Invocation;
using cli::UsageError;

std::string ProgramDirectory(const char* argv0) {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec || exe.empty()) {
        if (!argv0 || !*argv0) return ".";
        exe = std::filesystem::absolute(argv0, ec);
        if (ec) return ".";
    }
    return exe.parent_path().string();
}

int RunCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   const std::string& programDir) {
    const Command* command = nullptr;
    try {
        if (args.empty() || args[0] == "--help" || args[0] == "-h" ||
            (args[0] == "help" && args.size() == 1)) {
            cli::PrintHelp(out);
            return kExitOk;
        }
        if (args[0] == "--version") {
            if (args.size() > 1) throw UsageError("unexpected argument \"" + args[1] + "\"");
            out << "orlenda " << ORLENDA_VERSION << '\n';
            return kExitOk;
        }
        if (args[0] == "help") {
            const Command* c = FindCommand(args[1]);
            if (!c) throw UsageError("no command \"" + args[1] + "\"");
            if (args.size() > 2) throw UsageError("unexpected argument \"" + args[2] + "\"");
            cli::PrintCommandHelp(*c, out);
            return kExitOk;
        }
        command = FindCommand(args[0]);
        if (!command) throw UsageError("unknown command \"" + args[0] + "\"");
        Invocation inv = cli::Parse(*command, args, 1, out, err, programDir);
        if (inv.options.count("--help")) {
            cli::PrintCommandHelp(*command, out);
            return kExitOk;
        }
        int code = command->run(inv);
        out.flush();
        if (!out) {
            err << "orlenda: error: cannot write the output\n";
            return kExitFailure;
        }
        return code;
    } catch (const UsageError& e) {
        err << "orlenda: " << e.what() << '\n';
        if (command)
            err << cli::UsageLine(*command) << '\n';
        else
            err << "Try 'orlenda --help'.\n";
        return kExitUsage;
    } catch (const std::exception& e) {
        err << "orlenda: error: " << e.what() << '\n';
        return kExitFailure;
    }
}

int RunCommandLine(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    return RunCommandLine(args, std::cout, std::cerr,
                          ProgramDirectory(argc > 0 ? argv[0] : nullptr));
}

}  // namespace orlenda
