#pragma once
// A copy of the built application folder in a temporary folder, for the windows' tests: the
// language files, templates, help, images and plug-ins, each test free to change or remove them.
#include "support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace tl::test {

class TestAppDir {
public:
    TestAppDir() {
        const char* built = std::getenv("TL_APP_DIR");
        if (!built)
            throw std::runtime_error("TL_APP_DIR names no built application folder");
        const std::filesystem::path from = built;
        for (const char* name : {"default.lcl", "locale.lcl", "cs.lcl"})
            if (std::filesystem::exists(from / name))
                std::filesystem::copy_file(from / name, m_dir.path() / name);
        for (const char* folder : {"templates", "help", "icons", "plugins"})
            if (std::filesystem::exists(from / folder))
                std::filesystem::copy(from / folder, m_dir.path() / folder,
                                      std::filesystem::copy_options::recursive);
    }

    /** The folder, ending in "/". */
    std::string path() const { return m_dir.path().string() + "/"; }
    std::string file(const std::string& name) const { return m_dir.file(name); }

private:
    TempDir m_dir;
};

} // namespace tl::test
