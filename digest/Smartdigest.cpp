#include "digest/Smartdigest.h"

#include "locale/Profile.h"
#include "storage/FileReplacement.h"
#include "storage/SaturatingSum.h"
#include "storage/Text.h"
#include "storage/Utf8.h"

#include <algorithm>
#include <charconv>
#include <sys/stat.h>

namespace tl {
namespace {

constexpr std::string_view SongType = "SngD";
constexpr std::size_t FieldLimit = SongFieldWidth - 1;

void assignNumber(std::string& out, std::int64_t value) {
    char text[24];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    out.assign(text, end);
}

// Two paths name the same file: the digest must never be renamed over its own source.
bool sameFile(const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

} // namespace

RecordType digestRecordType() {
    return RecordType::make("Dgst", 1, 1);
}

DigestBuilder::DigestBuilder() : m_various("Various"), m_tooMany(3), m_album(FieldCount) {}

DigestBuilder::~DigestBuilder() = default;

void DigestBuilder::setVariousWord(std::string_view word) {
    m_various.assign(utf8Cut(word, MaxVariousBytes));
}

void DigestBuilder::setTooMany(int count) {
    m_tooMany = std::clamp(count, MinTooMany, MaxTooMany);
}

void DigestBuilder::confirmAlbum(Fields&) {}

DigestResult DigestBuilder::run(const std::string& songPath, const std::string& digestPath) {
    RecordFile songs;
    if (songs.open(songPath) != RecordResult::Ok)
        return DigestResult::CannotOpen;
    if (songs.fieldCount() != FieldCount || songs.type().tagText() != SongType)
        return DigestResult::WrongFormat;
    if (sameFile(songPath, digestPath))
        return DigestResult::CannotOpen;

    // Until commit() the new digest lives under a temporary name; leaving this function
    // any other way removes it and keeps an earlier digest as it was.
    FileReplacement replacement(digestPath);
    RecordFile digestFile(FieldCount);
    digestFile.setType(digestRecordType());
    if (digestFile.create(replacement.tempPath()) != RecordResult::Ok)
        return DigestResult::CannotOpen;
    const DigestResult result = digest(songs, digestFile);
    const RecordResult closed = digestFile.close();
    if (result != DigestResult::Done)
        return result;
    if (closed != RecordResult::Ok)
        return DigestResult::WriteFailed;
    if (!replacement.commit())
        return DigestResult::CannotOpen;
    return DigestResult::Done;
}

void DigestBuilder::reportProgress() {
    if (m_progress)
        m_progress(m_done);
}

DigestResult DigestBuilder::digest(RecordFile& songs, RecordFile& digestFile) {
    clearAlbum();
    m_done = {};
    PackedRecord song;
    bool first = true;
    for (;;) {
        if (stopRequested())
            return DigestResult::Cancelled;
        const RecordResult read = songs.readNext(song);
        if (read == RecordResult::EndOfFile)
            break;
        if (read != RecordResult::Ok)
            return DigestResult::ReadFailed;
        // Songs arrive in walk order, so an album ends where the key changes; a
        // directory whose songs are not consecutive gives more than one album.
        if (!first && !sameAlbum(songs, song)) {
            if (!closeAlbum(digestFile))
                return DigestResult::WriteFailed;
            clearAlbum();
        }
        addSong(songs, song);
        first = false;
        if (++m_done.songsRead % ProgressStep == 0)
            reportProgress();
    }
    // The end of the file closes the last album, whatever its key.
    if (!first && !closeAlbum(digestFile))
        return DigestResult::WriteFailed;
    // A stop asked while the last album was being confirmed still counts.
    if (stopRequested())
        return DigestResult::Cancelled;
    reportProgress();
    return DigestResult::Done;
}

namespace {
// A song field as the song record holds it: at most 1023 bytes, cut at a character.
std::string_view songField(const RecordFile& songs, const PackedRecord& song, int index) {
    return utf8Cut(songs.fieldText(song, static_cast<std::uint32_t>(index)), FieldLimit);
}
} // namespace

bool DigestBuilder::sameAlbum(const RecordFile& songs, const PackedRecord& song) const {
    // Slot 0 of a key field holds the album's key: every song of the album has the same
    // key, and an empty key field leaves the slot empty.
    for (const int field : {Path, VolName, VolSerial})
        if (songField(songs, song, field) != m_candidates[field][0])
            return false;
    return true;
}

void DigestBuilder::addSong(const RecordFile& songs, const PackedRecord& song) {
    for (int i = 0; i < FieldCount; ++i) {
        switch (i) {
        case Title:
        case FName:
            continue;
        case Size:
            addSaturating(m_sizeSum, leadingInteger(songField(songs, song, i)));
            continue;
        case Length:
            addSaturating(m_lengthSum, leadingInteger(songField(songs, song, i)));
            continue;
        case Track:
            ++m_songCount;
            continue;
        default:
            break;
        }
        const std::string_view value = songField(songs, song, i);
        if (value.empty())
            continue;
        // Values fill the slots from the front, so the first empty slot ends the list;
        // once all are taken, further values are dropped (the field is various anyway).
        for (int j = 0; j < m_tooMany; ++j) {
            std::string& slot = m_candidates[i][j];
            if (slot.empty()) {
                slot.assign(value);
                break;
            }
            if (slot == value)
                break;
        }
    }
}

void DigestBuilder::clearAlbum() {
    for (auto& slots : m_candidates)
        for (auto& slot : slots)
            slot.clear();
    m_sizeSum = 0;
    m_lengthSum = 0;
    m_songCount = 0;
}

bool DigestBuilder::closeAlbum(RecordFile& digestFile) {
    m_album.resize(FieldCount);
    for (int i = 0; i < FieldCount; ++i) {
        const auto& slots = m_candidates[i];
        std::string& out = m_album[i];
        if (!slots[m_tooMany - 1].empty()) {
            out = m_various;
            continue;
        }
        out = slots[0];
        for (int j = 1; j < m_tooMany && !slots[j].empty(); ++j) {
            out += ", ";
            out += slots[j];
        }
    }
    assignNumber(m_album[Size], m_sizeSum);
    assignNumber(m_album[Length], m_lengthSum / 1000);
    assignNumber(m_album[Track], m_songCount);

    if (m_album[Artist].empty() || m_album[Album].empty() || m_album[Album] == m_various) {
        completeFromPath();
        confirmAlbum(m_album);
    }
    if (digestFile.append(digestFile.pack(m_album, SongFieldWidth)) != RecordResult::Ok)
        return false;
    ++m_done.albumsWritten;
    return true;
}

void DigestBuilder::completeFromPath() {
    const bool deriveArtist = m_album[Artist].empty();
    const bool deriveAlbum = m_album[Album].empty() || m_album[Album] == m_various;

    // The directory is the last name of Path, its parent the name before it ("" when
    // the directory lies at the volume's root).
    const std::string_view path = utf8Cut(m_album[Path], FieldLimit);
    std::string_view dir = path;
    std::string_view parent;
    if (const std::size_t last = path.rfind('/'); last != std::string_view::npos) {
        dir = path.substr(last + 1);
        parent = path.substr(0, last);
        if (const std::size_t before = parent.rfind('/'); before != std::string_view::npos)
            parent = parent.substr(before + 1);
    }

    // "Artist - Album" names both; otherwise the directory is the album and its parent
    // the artist (or, when the album title is known, the directory names the artist).
    if (const std::size_t dash = dir.find('-'); dash != std::string_view::npos) {
        if (deriveAlbum)
            m_album[Album].assign(trimLeadingBlanks(dir.substr(dash + 1)));
        if (deriveArtist)
            m_album[Artist].assign(trimTrailingBlanks(dir.substr(0, dash)));
        return;
    }
    if (deriveAlbum)
        m_album[Album].assign(dir);
    if (deriveArtist)
        m_album[Artist].assign(deriveAlbum ? parent : dir);
}

} // namespace tl
