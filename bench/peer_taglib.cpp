// The benchmark's peer: a scanner written against TagLib that walks a tree in the same
// order as tunelister-cli scan (files first, then subdirectories, names compared with
// A-Z folded) and reads every MP3 file's tags and audio properties.
//
//   peer_taglib [--lengths] FOLDER
//
// Prints the number of files and their total playing time; with --lengths also one line
// "path<TAB>milliseconds" per file.
#include <taglib/fileref.h>
#include <taglib/mpegfile.h>
#include <taglib/tag.h>

#include "TreeOrder.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

struct Totals {
    unsigned long files = 0;
    unsigned long long lengthMs = 0;
    unsigned long long textBytes = 0;
};

void analyse(const std::string& path, bool lengths, Totals& totals) {
    TagLib::MPEG::File file(path.c_str(), true, TagLib::AudioProperties::Accurate);
    if (!file.isValid())
        return;
    ++totals.files;
    if (const TagLib::Tag* tag = file.tag())
        totals.textBytes += tag->title().size() + tag->artist().size() + tag->album().size() +
                            tag->genre().size() + tag->year() + tag->track();
    if (const TagLib::MPEG::Properties* p = file.audioProperties()) {
        totals.lengthMs += static_cast<unsigned long long>(p->lengthInMilliseconds());
        totals.textBytes += static_cast<unsigned long long>(p->bitrate() + p->sampleRate());
        if (lengths)
            std::printf("%s\t%d\n", path.c_str(), p->lengthInMilliseconds());
    }
}

} // namespace

int main(int argc, char** argv) {
    bool lengths = false;
    const char* root = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--lengths") == 0)
            lengths = true;
        else
            root = argv[i];
    }
    if (!root) {
        std::fprintf(stderr, "usage: peer_taglib [--lengths] FOLDER\n");
        return 2;
    }
    Totals totals;
    bench::walkTree(root, [&](const std::string& path) { analyse(path, lengths, totals); });
    std::fprintf(stderr, "%lu files, %llu ms in all\n", totals.files, totals.lengthMs);
    return 0;
}
