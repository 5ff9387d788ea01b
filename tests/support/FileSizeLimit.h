#pragma once
// A full disk, played by a file-size limit: @p work runs in a child process whose files
// cannot grow past @p limit bytes (a write beyond it fails with EFBIG instead of raising
// SIGXFSZ). Its answer comes back as text.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

namespace tl::test {

inline std::string withFileSizeLimit(rlim_t limit, const std::function<std::string()>& work) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return "pipe failed";
    const pid_t pid = ::fork();
    if (pid < 0)
        return "fork failed";
    if (pid == 0) {
        ::close(pipeFds[0]);
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limits{limit, limit};
        ::setrlimit(RLIMIT_FSIZE, &limits);
        const std::string answer = work();
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
    return answer;
}

} // namespace tl::test
