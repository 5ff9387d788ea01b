#include "digest/DigestJob.h"

#include "storage/Utf8.h"

#include <system_error>

namespace tl {

class DigestJob::AskingBuilder : public DigestBuilder {
public:
    explicit AskingBuilder(DigestJob& job) : m_job(job) {}
    void confirmAlbum(Fields& album) override { m_job.confirm(album); }

private:
    DigestJob& m_job;
};

DigestJob::DigestJob(DigestListener& listener) : m_listener(listener) {}

DigestJob::~DigestJob() {
    requestStop();
    if (m_thread.joinable())
        m_thread.join();
}

bool DigestJob::start(std::string songPath, std::string digestPath, DigestOptions options) {
    if (m_running.load())
        return false;
    if (m_thread.joinable())
        m_thread.join();
    clearStop();
    m_running.store(true);
    try {
        m_thread = std::thread([this, songs = std::move(songPath), digest = std::move(digestPath),
                                opts = std::move(options)] {
            m_result = run(songs, digest, opts);
            m_listener.digestFinished(m_result);
            m_running.store(false);
        });
    } catch (const std::system_error&) {
        m_running.store(false);
        return false;
    }
    return true;
}

DigestResult DigestJob::run(const std::string& songPath, const std::string& digestPath,
                            const DigestOptions& options) {
    {
        std::lock_guard lock(m_mutex);
        m_answer.reset();
        m_waiting = false;
        m_completeRest = options.autoComplete;
    }
    if (m_stop.load())
        return DigestResult::Cancelled;
    AskingBuilder builder(*this);
    builder.setVariousWord(options.variousWord);
    builder.setTooMany(options.tooMany);
    builder.setStopFlag(&m_stop);
    builder.setProgress([this](const DigestProgress& p) { m_listener.digestProgress(p); });
    return builder.run(songPath, digestPath);
}

void DigestJob::confirm(Fields& album) {
    {
        std::lock_guard lock(m_mutex);
        if (m_completeRest || m_stop.load())
            return;
        m_answer.reset();
        m_waiting = true;
    }
    m_listener.albumQuestion(album);
    std::unique_lock lock(m_mutex);
    m_answered.wait(lock, [this] { return m_answer.has_value() || m_stop.load(); });
    m_waiting = false;
    if (!m_answer)
        return; // stopped: the builder sees the flag and ends the run
    AlbumAnswer answer = std::move(*m_answer);
    m_answer.reset();
    if (answer.completeRest)
        m_completeRest = true;
    if (answer.album) {
        // Whatever the user typed fits a song field: at most 1023 bytes, cut at a character.
        album = std::move(*answer.album);
        album.resize(FieldCount);
        for (std::string& field : album)
            field.resize(utf8CutLength(field, SongFieldWidth - 1));
    }
}

void DigestJob::answerAlbum(AlbumAnswer answer) {
    {
        std::lock_guard lock(m_mutex);
        if (!m_waiting)
            return;
        m_answer = std::move(answer);
    }
    m_answered.notify_all();
}

void DigestJob::requestStop() {
    {
        std::lock_guard lock(m_mutex);
        m_stop.store(true);
    }
    m_answered.notify_all();
}

void DigestJob::clearStop() {
    m_stop.store(false);
}

DigestResult DigestJob::wait() {
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
    return m_result;
}

} // namespace tl
