// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli.h"

#include <QGuiApplication>
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

namespace {

// Qt's own notes (a missing XDG_RUNTIME_DIR, a plugin's remarks) are not the command's
// business: only its critical messages reach standard error, and the program's own log
// categories when they are turned on.
void QtMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    const QByteArray category = context.category ? context.category : "";
    if (category.startsWith("orlenda."))
        std::cerr << "orlenda: " << category.constData() << ": " << text.toStdString() << '\n';
    else if (type == QtCriticalMsg || type == QtFatalMsg)
        std::cerr << "orlenda: qt: " << text.toStdString() << '\n';
}

}  // namespace

int RunCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
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
        Invocation inv = cli::Parse(*command, args, 1, out, err);
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
    qInstallMessageHandler(QtMessages);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The application sees no arguments: Qt's own options are the command's words here.
    int appArgc = 1;
    char arg0[] = "orlenda";
    char* appArgv[] = {arg0, nullptr};
    QGuiApplication app(appArgc, appArgv);
    return RunCommandLine(args, std::cout, std::cerr);
}

}  // namespace orlenda
