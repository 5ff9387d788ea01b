#pragma once
// Work in a child process under a resource limit (setrlimit), its answer coming back as
// text: a full disk played by a file-size limit, scarce memory by an address-space limit.
// An exception that reaches the child's top, or a signal that ends it, is the answer too,
// so a test sees what crossed a boundary it should not have crossed.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>

namespace tl::test {

/** Runs @p work in a child process with @p resource limited to @p limit. */
inline std::string withResourceLimit(int resource, rlim_t limit,
                                     const std::function<std::string()>& work) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return "pipe failed";
    const pid_t pid = ::fork();
    if (pid < 0)
        return "fork failed";
    if (pid == 0) {
        ::close(pipeFds[0]);
        const rlimit limits{limit, limit};
        ::setrlimit(resource, &limits);
        std::string answer;
        try {
            answer = work();
        } catch (...) {
            answer = "exception";
        }
        [[maybe_unused]] auto n = ::write(pipeFds[1], answer.data(), answer.size());
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    std::string answer;
    char buffer[256];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        answer.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFSIGNALED(status))
        return "signal " + std::to_string(WTERMSIG(status));
    return answer;
}

/** A full disk: files cannot grow past @p limit bytes (a write beyond it fails with EFBIG
 *  instead of raising SIGXFSZ). */
inline std::string withFileSizeLimit(rlim_t limit, const std::function<std::string()>& work) {
    return withResourceLimit(RLIMIT_FSIZE, limit, [&work] {
        ::signal(SIGXFSZ, SIG_IGN);
        return work();
    });
}

/** Scarce memory: the process may map only @p extra bytes more than it has mapped now. */
inline std::string withMemoryLimit(rlim_t extra, const std::function<std::string()>& work) {
    unsigned long pages = 0;
    if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%lu", &pages) != 1)
            pages = 0;
        std::fclose(statm);
    }
    const rlim_t mapped = static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE));
    return withResourceLimit(RLIMIT_AS, mapped + extra, work);
}

/** The address sanitizer maps terabytes of shadow memory, so no address-space limit
 *  leaves it room to work. */
#if defined(__SANITIZE_ADDRESS__)
constexpr bool AddressSanitizerBuild = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool AddressSanitizerBuild = true;
#else
constexpr bool AddressSanitizerBuild = false;
#endif
#else
constexpr bool AddressSanitizerBuild = false;
#endif

} // namespace tl::test
