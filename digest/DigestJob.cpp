#include "digest/DigestJob.h"

#include "digest/DigestMessages.h"
#include "storage/Utf8.h"

namespace tl {
namespace {

constexpr const char* AlbumKind = "album";
constexpr const char* Confirm = "confirm";
constexpr const char* CompleteRest = "auto";

// The builder whose album questions go to the job's front end.
class AskingBuilder : public DigestBuilder {
public:
    AskingBuilder(JobContext& context, bool autoComplete)
        : m_context(context), m_completeRest(autoComplete) {}

    void confirmAlbum(Fields& album) override {
        if (m_completeRest || m_context.cancelled())
            return;
        const std::optional<JobAnswer> answer = m_context.ask(albumQuestion(album));
        if (!answer)
            return; // cancelled: the builder sees the flag and ends the run
        if (answer->choice == CompleteRest)
            m_completeRest = true;
        if (answer->record) {
            // Whatever the user typed fits a song field: at most 1023 bytes, cut at a
            // character.
            album = *answer->record;
            album.resize(FieldCount);
            for (std::string& field : album)
                field.resize(utf8CutLength(field, SongFieldWidth - 1));
        }
    }

private:
    JobContext& m_context;
    bool m_completeRest; // this run asks no more
};

} // namespace

JobQuestion albumQuestion(const Fields& album) {
    return {AlbumKind, std::nullopt, {Confirm, CompleteRest}, album};
}

const Fields* askedAlbum(const JobQuestion& question) {
    return question.kind == AlbumKind ? &question.record : nullptr;
}

JobAnswer jobAnswer(AlbumAnswer answer) {
    return {answer.completeRest ? CompleteRest : Confirm, std::move(answer.album)};
}

DigestResult runDigest(JobContext& context, const std::string& songPath,
                       const std::string& digestPath, const DigestOptions& options) {
    if (context.cancelled())
        return DigestResult::Cancelled;
    AskingBuilder builder(context, options.autoComplete);
    builder.setVariousWord(options.variousWord);
    builder.setTooMany(options.tooMany);
    builder.setStopFlag(&context.cancelFlag());
    JobProgress progress;
    progress.stage = DigestStage;
    builder.setProgress([&context, &progress](const DigestProgress& p) {
        progress.done = p.songsRead;
        progress.written = p.albumsWritten;
        context.progress(progress);
    });
    return builder.run(songPath, digestPath);
}

JobResult DigestJob::run(JobContext& context) {
    const DigestResult result =
        runDigest(context, m_request.songPath, m_request.digestPath, m_request.options);
    Message message = digestResultMessage(result, DigestCaller::ReCreate);
    const int code = static_cast<int>(result);
    if (result == DigestResult::Cancelled)
        return cancelledResult(code, std::move(message));
    if (result != DigestResult::Done)
        return failedResult(code, std::move(message));
    return {JobStatus::Done, code, std::move(message), {m_request.digestPath}};
}

} // namespace tl
