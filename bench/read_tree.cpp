// The benchmark's limits: reads every byte of every MP3 file of a tree, in the scan's walk
// order, either one file at a time or with several files in flight.
//
//   read_tree [--inflight N] [--buffer KIB] FOLDER
//
// With N above 1 the walk hands the paths to N reader threads as it lists them, so the
// listing overlaps the reads too. Reads are 1 MiB unless --buffer says otherwise (from a
// warm page cache, reads of 64 KiB cost the kernel a third of the time of larger ones on
// some machines). Prints the number of files and bytes read.
#include "TreeOrder.h"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

std::size_t BufferSize = 1 << 20; // --buffer KiB

unsigned long long readFile(const std::string& path, char* buffer) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    unsigned long long total = 0;
    for (;;) {
        const ssize_t got = ::read(fd, buffer, BufferSize);
        if (got <= 0)
            break;
        total += static_cast<unsigned long long>(got);
    }
    ::close(fd);
    return total;
}

class Readers {
public:
    explicit Readers(int count) {
        for (int i = 0; i < count; ++i)
            m_threads.emplace_back([this] { work(); });
    }
    void push(std::string path) {
        {
            std::lock_guard lock(m_mutex);
            m_paths.push_back(std::move(path));
        }
        m_ready.notify_one();
    }
    /** Waits for every queued file; returns the files and bytes read. */
    std::pair<unsigned long, unsigned long long> finish() {
        {
            std::lock_guard lock(m_mutex);
            m_closed = true;
        }
        m_ready.notify_all();
        for (std::thread& t : m_threads)
            t.join();
        return {m_files, m_bytes};
    }

private:
    void work() {
        const auto buffer = std::make_unique<char[]>(BufferSize);
        for (;;) {
            std::string path;
            {
                std::unique_lock lock(m_mutex);
                m_ready.wait(lock, [this] { return m_closed || !m_paths.empty(); });
                if (m_paths.empty())
                    return;
                path = std::move(m_paths.front());
                m_paths.pop_front();
            }
            const unsigned long long got = readFile(path, buffer.get());
            std::lock_guard lock(m_mutex);
            ++m_files;
            m_bytes += got;
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<std::string> m_paths;
    bool m_closed = false;
    unsigned long m_files = 0;
    unsigned long long m_bytes = 0;
    std::vector<std::thread> m_threads;
};

} // namespace

int main(int argc, char** argv) {
    int inflight = 1;
    const char* root = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--inflight") == 0 && i + 1 < argc)
            inflight = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--buffer") == 0 && i + 1 < argc)
            BufferSize = static_cast<std::size_t>(std::max(0, std::atoi(argv[++i]))) << 10;
        else
            root = argv[i];
    }
    if (!root || inflight < 1 || BufferSize == 0) {
        std::fprintf(stderr, "usage: read_tree [--inflight N] [--buffer KIB] FOLDER\n");
        return 2;
    }
    unsigned long files = 0;
    unsigned long long bytes = 0;
    if (inflight == 1) {
        const auto buffer = std::make_unique<char[]>(BufferSize);
        bench::walkTree(root, [&](const std::string& path) {
            bytes += readFile(path, buffer.get());
            ++files;
        });
    } else {
        Readers readers(inflight);
        bench::walkTree(root, [&](const std::string& path) { readers.push(path); });
        std::tie(files, bytes) = readers.finish();
    }
    std::fprintf(stderr, "%lu files, %llu bytes\n", files, bytes);
    return 0;
}
