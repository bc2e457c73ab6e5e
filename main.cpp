// SPDX-License-Identifier: GPL-3.0-or-later
// orlenda: with a command the command line under a QGuiApplication of its own, without
// widgets; with no arguments the windows, from a module loaded only then (the commands start
// faster and smaller without Qt Widgets and the print support).
#include <dlfcn.h>
#include <unistd.h>

#include <QtGlobal>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "cli/cli.h"

namespace {

constexpr char kWindowsModule[] = "orlenda-windows.so";

// Beside the program in a build folder; installed, in ORLENDA_MODULE_DIR (relative to the
// program's folder, as the data folder is found through ../share/orlenda).
std::string WindowsModulePath() {
    char program[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", program, sizeof program - 1);
    if (length <= 0) return {};
    std::string dir(program, static_cast<size_t>(length));
    dir.erase(dir.rfind('/') + 1);
    const std::string beside = dir + kWindowsModule;
    if (access(beside.c_str(), F_OK) == 0) return beside;
    return std::filesystem::path(dir + ORLENDA_MODULE_DIR "/" + kWindowsModule).lexically_normal();
}

int RunWindows(int argc, char** argv) {
    const std::string path = WindowsModulePath();
    if (path.empty()) {
        std::fprintf(stderr, "orlenda: cannot find the windows module: /proc/self/exe: %s\n",
                     std::strerror(errno));
        return 1;
    }
    // Never closed: Qt keeps what the windows registered until the program ends.
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    using Entry = int (*)(int, char**);
    const auto run =
        module ? reinterpret_cast<Entry>(dlsym(module, "orlenda_run_windows")) : nullptr;
    if (!run) {
        std::fprintf(stderr, "orlenda: cannot load the windows: %s\n", dlerror());
        return 1;
    }
    return run(argc, argv);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) return orlenda::RunCommandLine(argc, argv);
    // Without a display Qt aborts, advising to reinstall: say what is missing instead.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::fputs(
            "orlenda: the windows need a graphical session (no DISPLAY or WAYLAND_DISPLAY); "
            "the commands (orlenda help) run without one\n",
            stderr);
        return 1;
    }
    return RunWindows(argc, argv);
}
