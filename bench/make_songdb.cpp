// Writes a song database of made-up but realistic songs for the digest benchmark:
//   bench_make_songdb OUT.sds SONGS FOLDERS
// The songs are spread evenly over FOLDERS album folders, in walk order. The content is
// a fixed function of the arguments, so runs compare like with like.
#include "storage/Fieldnames.h"
#include "storage/RecordFile.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string number(long value, int width) {
    std::string text = std::to_string(value);
    return text.size() < static_cast<std::size_t>(width)
               ? std::string(width - text.size(), '0') + text
               : text;
}

} // namespace

int main(int argc, char** argv) {
    using namespace tl;
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s OUT.sds SONGS FOLDERS\n", argv[0]);
        return 2;
    }
    const long songs = std::atol(argv[2]);
    const long folders = std::atol(argv[3]);
    if (songs < 0 || folders < 1) {
        std::fprintf(stderr, "SONGS must be at least 0 and FOLDERS at least 1\n");
        return 2;
    }
    RecordFile file(FieldCount);
    file.setType(RecordType::make("SngD", 1, 1));
    if (file.create(argv[1]) != RecordResult::Ok) {
        std::fprintf(stderr, "%s: cannot create\n", argv[1]);
        return 1;
    }
    Fields song = emptyRecord();
    song[VolDescription] = "Bench collection";
    song[VolName] = "MUSIC";
    song[VolSerial] = "1A2B3C4D";
    song[Type] = "MPEG 1 Layer III";
    song[Frequency] = "44100";
    song[Binary] = "0";
    song[ScanDate] = "20500";
    for (long i = 0; i < songs; ++i) {
        // Folder f holds songs [f * songs / folders, (f + 1) * songs / folders).
        const long folder = static_cast<long>((static_cast<long double>(i) * folders) / songs);
        const long first =
            static_cast<long>((static_cast<long double>(folder) * songs + folders - 1) / folders);
        const long track = i - first + 1;
        const std::string artist = "Artist " + number(folder / 4, 5);
        const std::string album = "Album " + number(folder, 5);
        // Every tenth album has no album tag and every twentieth no artist tag, so the
        // digest completes them from the folder names.
        song[Artist] = folder % 20 == 7 ? "" : artist;
        song[Album] = folder % 10 == 3 ? "" : album;
        song[Title] = "Song number " + number(track, 2) + " of " + album;
        song[Year] = std::to_string(1960 + folder % 60 + (track == 5 ? 1 : 0));
        song[Genre] = folder % 3 == 0 ? "Rock" : (track % 2 ? "Pop" : "Jazz");
        song[Path] = "Music/" + artist + "/" + artist + " - " + album;
        song[FName] = number(track, 2) + " - Song number " + number(track, 2) + ".mp3";
        song[Size] = std::to_string(3'000'000 + (i * 7919) % 6'000'000);
        song[Length] = std::to_string(150'000 + (i * 104729) % 200'000);
        song[Bitrate] = folder % 5 == 0 ? std::to_string(128 + 32 * (track % 4)) : "192";
        song[Mode] = folder % 7 == 0 ? "Stereo" : "Joint Stereo";
        song[Tag] = "ID3v2.3";
        song[Comment] = folder % 11 == 0 ? "Ripped from the original vinyl" : "";
        song[Composer] = track % 3 == 0 ? "A. Composer" : "";
        song[Track] = std::to_string(track);
        song[Date] = std::to_string(18000 + folder % 1000);
        if (file.append(file.pack(song, SongFieldWidth)) != RecordResult::Ok) {
            std::fprintf(stderr, "%s: write error\n", argv[1]);
            return 1;
        }
    }
    if (file.close() != RecordResult::Ok) {
        std::fprintf(stderr, "%s: write error\n", argv[1]);
        return 1;
    }
    return 0;
}
