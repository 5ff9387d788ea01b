#pragma once
// The scan's walk order for the benchmark's helpers, which link nothing of the core: in
// every folder first the MP3 files, then the subfolders, each sorted with A-Z folded to
// a-z.
#include <algorithm>
#include <dirent.h>
#include <string>
#include <vector>

namespace bench {

inline bool nameLess(const std::string& a, const std::string& b) {
    const auto fold = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; };
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [&](char x, char y) { return fold(x) < fold(y); });
}

inline bool isMp3(const std::string& name) {
    if (name.size() < 4)
        return false;
    std::string ext = name.substr(name.size() - 4);
    for (char& c : ext)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return ext == ".mp3";
}

/** Calls @p visit with the path of every MP3 file below @p dir, in walk order. */
template <typename Visit> void walkTree(const std::string& dir, Visit&& visit) {
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
    for (const std::string& name : files)
        visit(dir + "/" + name);
    for (const std::string& name : dirs)
        walkTree(dir + "/" + name, visit);
}

} // namespace bench
