// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a command once and prints its wall time in milliseconds and its peak resident set in
// KiB (getrusage of the child), with nothing of a shell or of time(1) in between.
//
//   timerun COMMAND [ARGUMENTS]        prints "WALL_MS PEAK_KIB"; fails as the command fails
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: timerun COMMAND [ARGUMENTS]\n", stderr);
        return 2;
    }
    timespec start{}, end{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    const pid_t child = fork();
    if (child < 0) return 1;
    if (child == 0) {
        execvp(argv[1], argv + 1);
        std::fprintf(stderr, "timerun: cannot run %s: %s\n", argv[1], std::strerror(errno));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child) return 1;
    clock_gettime(CLOCK_MONOTONIC, &end);
    const double ms = (end.tv_sec - start.tv_sec) * 1e3 + (end.tv_nsec - start.tv_nsec) / 1e6;
    std::printf("%.2f %ld\n", ms, usage.ru_maxrss);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "timerun: %s failed (status %d)\n", argv[1], status);
        return 1;
    }
    return 0;
}
