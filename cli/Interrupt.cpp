#include "cli/Interrupt.h"

namespace tl::cli {
namespace {

std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

extern "C" void onInterrupt(int) {
    g_interrupted.store(true);
}

} // namespace

InterruptGuard::InterruptGuard() {
    g_interrupted.store(false);
    struct sigaction action {};
    action.sa_handler = onInterrupt;
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

} // namespace tl::cli
