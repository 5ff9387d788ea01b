#include "cli/Interrupt.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace tl::cli {
namespace {

std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");
int g_wake[2] = {-1, -1}; // read end, write end

void writeWake() {
    if (g_wake[1] >= 0) {
        const int saved = errno;
        const char byte = 1;
        [[maybe_unused]] const ssize_t written = ::write(g_wake[1], &byte, 1);
        errno = saved;
    }
}

extern "C" void onInterrupt(int) {
    g_interrupted.store(true);
    writeWake();
}

} // namespace

InterruptGuard::InterruptGuard() {
    g_interrupted.store(false);
    if (g_wake[0] < 0 && ::pipe2(g_wake, O_CLOEXEC | O_NONBLOCK) != 0)
        g_wake[0] = g_wake[1] = -1; // Ctrl-C is then seen at the next timeout
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    // The second Ctrl-C finds the default action again and ends the program.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, &m_previous);
}

InterruptGuard::~InterruptGuard() {
    ::sigaction(SIGINT, &m_previous, nullptr);
}

const std::atomic<bool>& InterruptGuard::flag() {
    return g_interrupted;
}

bool InterruptGuard::waitForInput(int fd, int timeoutMs) {
    pollfd fds[2] = {{g_wake[0], POLLIN, 0}, {fd, POLLIN, 0}};
    const int ready = ::poll(fds, fd < 0 ? 1 : 2, timeoutMs);
    if (ready > 0 && (fds[0].revents & POLLIN)) {
        char drained[64];
        while (::read(g_wake[0], drained, sizeof drained) > 0) {
        }
    }
    return ready > 0 && fd >= 0 && fds[1].revents != 0;
}

void InterruptGuard::wake() {
    writeWake();
}

} // namespace tl::cli
