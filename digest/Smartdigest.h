#pragma once
/**
 * @file Smartdigest.h
 * The album digest: turns the song database of one volume (one record per audio file)
 * into a digest database (one record per album, that is per directory of the volume).
 *
 * The songs of an album are consecutive in the song database (the scan writes them in
 * walk order); the digest streams it once from start to end and keeps only the current
 * album in memory, whatever the size of the volume.
 */
#include "locale/Settings.h"
#include "storage/Fieldnames.h"
#include "storage/RecordFile.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace tl {

/** Outcome of a digest run. */
enum class DigestResult : int {
    Done = 0,
    CannotOpen = 2,  ///< the song database cannot be opened, or the digest not created
    WriteFailed = 4, ///< the digest could not be written completely (for example, disk full)
    WrongFormat = 6, ///< the file is a record file, but not a song database
    Cancelled = 8,   ///< the owner asked the run to stop; nothing was put in place
    ReadFailed = -1, ///< a song record cannot be read (truncated or corrupt file)
};

/** How far a run has come. */
struct DigestProgress {
    std::uint64_t songsRead = 0;
    std::uint64_t albumsWritten = 0;
};

/** Type of the digest database's record file. */
RecordType digestRecordType();

/** Longest various word, in bytes. */
inline constexpr std::size_t MaxVariousBytes = 130;

/**
 * Builds a digest database from a song database.
 *
 * For every field the album keeps the different non-empty values of its songs, in order
 * of first appearance, joined by ", "; when tooMany() different values occur the field
 * becomes the various word. Size and Length are summed (Length from milliseconds into
 * seconds), Track counts the songs, Title and FName stay empty. An album without artist,
 * or without album title (or whose album title is the various word), is completed from
 * its directory names and handed to confirmAlbum().
 */
class DigestBuilder {
public:
    DigestBuilder();
    virtual ~DigestBuilder();
    DigestBuilder(const DigestBuilder&) = delete;
    DigestBuilder& operator=(const DigestBuilder&) = delete;

    /** The text that replaces a field with too many values, cut to MaxVariousBytes bytes
     *  at a character boundary. Initially "Various". */
    void setVariousWord(std::string_view word);
    const std::string& variousWord() const { return m_various; }

    /** The number of different values that counts as too many; values outside
     *  MinTooMany..MaxTooMany are taken as the nearest of the two. Initially 3. */
    void setTooMany(int count);
    int tooMany() const { return m_tooMany; }

    /** A flag the run looks at before every song and after every album question; when it
     *  is set the run ends with Cancelled. Not owned; none by default. */
    void setStopFlag(const std::atomic<bool>* stop) { m_stop = stop; }
    /** Called on the running thread after every ProgressStep songs and at the end. */
    void setProgress(std::function<void(const DigestProgress&)> progress) {
        m_progress = std::move(progress);
    }
    static constexpr std::uint64_t ProgressStep = 1024;

    /**
     * Reads the song database @p songPath and writes the digest database @p digestPath.
     * The digest is written under a temporary name beside @p digestPath and renamed into
     * place only when complete: after a failure no new file is left behind and an
     * earlier digest at @p digestPath is untouched. The song database is never changed.
     */
    DigestResult run(const std::string& songPath, const std::string& digestPath);

    /**
     * Called once for every album completed from its directory names, before it is
     * written. An override may change any field (typically Artist, Album, Genre, Year);
     * the record is written as it is afterwards. The default keeps the derived values.
     */
    virtual void confirmAlbum(Fields& album);

private:
    DigestResult digest(RecordFile& songs, RecordFile& digest);
    void addSong(const RecordFile& songs, const PackedRecord& song);
    bool sameAlbum(const RecordFile& songs, const PackedRecord& song) const;
    void clearAlbum();
    bool closeAlbum(RecordFile& digest);
    void completeFromPath();
    bool stopRequested() const { return m_stop && m_stop->load(std::memory_order_relaxed); }
    void reportProgress();

    std::string m_various;
    int m_tooMany;
    const std::atomic<bool>* m_stop = nullptr;
    std::function<void(const DigestProgress&)> m_progress;
    DigestProgress m_done;

    // Working state of one run. Candidate slot j of field i holds the (j+1)-th different
    // non-empty value of field i in the current album. The strings keep their capacity
    // from album to album, so the loop over songs does not allocate once warmed up.
    std::array<std::array<std::string, MaxTooMany>, FieldCount> m_candidates;
    std::int64_t m_sizeSum = 0;
    std::int64_t m_lengthSum = 0;
    std::int64_t m_songCount = 0;
    Fields m_album;
};

} // namespace tl
