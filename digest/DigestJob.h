#pragma once
/**
 * @file DigestJob.h
 * Re-creating the album digest of a song database, as a job: the builder reads the songs,
 * asks about every album it completed from folder names (albumQuestion()) and writes the
 * digest. A cancel at any time, also while a question waits, ends the run at once; the
 * digest being written is then dropped and an earlier digest of that name stays as it was.
 *
 * runDigest() is the same work for a job that builds a digest as one of its steps (the
 * scan).
 */
#include "digest/Smartdigest.h"
#include "job/Job.h"

#include <optional>
#include <string>

namespace tl {

/** The settings a digest run takes. */
struct DigestOptions {
    std::string variousWord = "Various"; ///< digestVarious
    int tooMany = 3;                     ///< tooMany
    bool autoComplete = false;           ///< autoComplete: never ask, keep the derived values
};

/** What to digest, and where. */
struct DigestRequest {
    std::string songPath;
    std::string digestPath;
    DigestOptions options;
};

/** The user's answer to an album question. */
struct AlbumAnswer {
    /** The album as confirmed (every field may have been changed); none keeps the values
     *  the digest derived. */
    std::optional<Fields> album;
    /** Ask nothing more in this run: the remaining albums keep their derived values. */
    bool completeRest = false;
};

/** The question about an album completed from its folder names: its record is the album;
 *  the choices are "confirm" (the record as answered) and "auto" (AlbumAnswer::completeRest). */
JobQuestion albumQuestion(const Fields& album);
/** The album @p question asks about; none for a question of another kind. */
const Fields* askedAlbum(const JobQuestion& question);
/** @p answer as the answer to an album question. */
JobAnswer jobAnswer(AlbumAnswer answer);

/** The stage of a digest's progress (JobProgress::stage): done counts the songs read,
 *  written the albums written, every DigestBuilder::ProgressStep songs and at the end. */
inline constexpr int DigestStage = 1;

/** Builds the digest of @p songPath into @p digestPath on the thread of @p context, which
 *  gets its progress and album questions and whose cancel ends it (DigestResult::Cancelled). */
DigestResult runDigest(JobContext& context, const std::string& songPath,
                       const std::string& digestPath, const DigestOptions& options);

/** The re-create command's job. Its result code is the DigestResult; its message the
 *  outcome's for the re-create command (digestResultMessage()); its file the digest. */
class DigestJob : public Job {
public:
    explicit DigestJob(DigestRequest request) : m_request(std::move(request)) {}
    ~DigestJob() override { stop(); }

    const DigestRequest& request() const { return m_request; }

protected:
    JobResult run(JobContext& context) override;

private:
    DigestRequest m_request;
};

} // namespace tl
