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

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

bool nameLess(const std::string& a, const std::string& b) {
    const auto fold = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; };
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [&](char x, char y) { return fold(x) < fold(y); });
}

bool isMp3(const std::string& name) {
    if (name.size() < 4)
        return false;
    std::string ext = name.substr(name.size() - 4);
    for (char& c : ext)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return ext == ".mp3";
}

struct Totals {
    unsigned long files = 0;
    unsigned long long lengthMs = 0;
    unsigned long long textBytes = 0;
};

void walk(const std::string& dir, bool lengths, Totals& totals) {
    DIR* d = ::opendir(dir.c_str());
    if (!d)
        return;
    std::vector<std::string> files, dirs;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        if (e->d_type == DT_DIR)
            dirs.push_back(name);
        else if (isMp3(name))
            files.push_back(name);
    }
    ::closedir(d);
    std::sort(files.begin(), files.end(), nameLess);
    std::sort(dirs.begin(), dirs.end(), nameLess);
    for (const std::string& name : files) {
        const std::string path = dir + "/" + name;
        TagLib::MPEG::File file(path.c_str(), true, TagLib::AudioProperties::Accurate);
        if (!file.isValid())
            continue;
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
    for (const std::string& name : dirs)
        walk(dir + "/" + name, lengths, totals);
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
    walk(root, lengths, totals);
    std::fprintf(stderr, "%lu files, %llu ms in all\n", totals.files, totals.lengthMs);
    return 0;
}
