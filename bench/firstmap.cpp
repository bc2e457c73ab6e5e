// SPDX-License-Identifier: GPL-3.0-or-later
// Times a program's windows on an X server: starts the command and prints the milliseconds
// from its start until each of its first N top-level windows is mapped, then ends it.
//
//   firstmap [-n N] [-t TIMEOUT_MS] COMMAND [ARGUMENTS]     (DISPLAY names the server)
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

double NowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

int Usage() {
    std::fputs("usage: firstmap [-n N] [-t TIMEOUT_MS] COMMAND [ARGUMENTS]\n", stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    int wanted = 1, timeoutMs = 10000, at = 1;
    for (; at + 1 < argc && argv[at][0] == '-'; at += 2) {
        if (!std::strcmp(argv[at], "-n"))
            wanted = std::atoi(argv[at + 1]);
        else if (!std::strcmp(argv[at], "-t"))
            timeoutMs = std::atoi(argv[at + 1]);
        else
            return Usage();
    }
    if (at >= argc || wanted < 1 || timeoutMs < 1) return Usage();

    xcb_connection_t* x = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(x)) {
        std::fputs("firstmap: cannot connect to the X server (DISPLAY)\n", stderr);
        return 1;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x)).data->root;
    // Map notifications of every window made on the root: the program's top-level windows.
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    if (xcb_generic_error_t* e = xcb_request_check(
            x, xcb_change_window_attributes_checked(x, root, XCB_CW_EVENT_MASK, &mask))) {
        std::fprintf(stderr, "firstmap: cannot watch the root window (error %d)\n", e->error_code);
        return 1;
    }

    const double start = NowMs();
    const pid_t child = fork();
    if (child < 0) return 1;
    if (child == 0) {
        execvp(argv[at], argv + at);
        std::fprintf(stderr, "firstmap: cannot run %s: %s\n", argv[at], std::strerror(errno));
        _exit(127);
    }

    std::vector<double> maps;
    bool ended = false;
    while (int(maps.size()) < wanted && !ended) {
        const double left = start + timeoutMs - NowMs();
        if (left <= 0) break;
        pollfd p{xcb_get_file_descriptor(x), POLLIN, 0};
        poll(&p, 1, left > 50 ? 50 : int(left) + 1);
        while (xcb_generic_event_t* ev = xcb_poll_for_event(x)) {
            if ((ev->response_type & 0x7f) == XCB_MAP_NOTIFY) {
                auto* m = reinterpret_cast<xcb_map_notify_event_t*>(ev);
                if (!m->override_redirect && int(maps.size()) < wanted)
                    maps.push_back(NowMs() - start);
            }
            std::free(ev);
        }
        if (xcb_connection_has_error(x)) break;
        int status = 0;
        ended = waitpid(child, &status, WNOHANG) == child;
    }
    if (!ended) {
        kill(child, SIGTERM);
        waitpid(child, nullptr, 0);
    }
    xcb_disconnect(x);
    for (double ms : maps) std::printf("%.1f ", ms);
    std::printf("\n");
    if (int(maps.size()) < wanted) {
        std::fprintf(stderr, "firstmap: %zu of %d windows mapped%s\n", maps.size(), wanted,
                     ended ? " before the program ended" : " in time");
        return 1;
    }
    return 0;
}
