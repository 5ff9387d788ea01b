#pragma once
// The scan tests' volume: a folder "vol" of a temporary folder, mounted (in a fake mount
// table) as a labelled FAT volume; song databases go to "out"; the scan test plug-in is
// the only plug-in.
#include "plugins/Pluginmanager.h"
#include "storage/RecordFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace tl::test {

// A volume mounted at the temporary folder's "vol", labelled and with a FAT serial, in a
// fake mount table; the song databases go to "out".
class ScanVolumeTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = std::filesystem::canonical(dir.path()).string();
        vol = root + "/vol";
        out = root + "/out";
        std::filesystem::create_directories(vol);
        std::filesystem::create_directories(out);
        std::filesystem::create_directories(root + "/dev/by-label");
        std::filesystem::create_directories(root + "/dev/by-uuid");
        std::filesystem::create_symlink("../../sdz1", root + "/dev/by-label/MUSIC");
        std::filesystem::create_symlink("../../sdz1", root + "/dev/by-uuid/12AB-34CD");
        mountAs("vfat", "/dev/sdz1");
        paths.diskByLabel = root + "/dev/by-label";
        paths.diskByUuid = root + "/dev/by-uuid";
        paths.useBlkid = false;
        std::filesystem::create_directories(root + "/plugins");
        std::filesystem::copy_file(TL_SCAN_PLUGIN, root + "/plugins/scan.so");
        plugins = std::make_unique<PluginManager>(root + "/plugins");
        ASSERT_TRUE(plugins->load());
    }
    void mountAs(const std::string& type, const std::string& device) {
        paths.mountInfo = root + "/mountinfo";
        std::ofstream(paths.mountInfo)
            << "26 1 254:0 / / rw - ext4 /dev/vda rw\n"
            << "40 26 8:1 / " << vol << " rw - " << type << " " << device << " rw\n";
    }
    std::vector<Fields> records(const std::string& path) {
        RecordFile file;
        EXPECT_EQ(file.open(path), RecordResult::Ok);
        EXPECT_EQ(file.fieldCount(), 24u);
        EXPECT_EQ(file.type().tagText(), "SngD");
        std::vector<Fields> all;
        PackedRecord record;
        while (file.readNext(record) == RecordResult::Ok) {
            Fields f;
            file.unpack(&record, f, SongFieldWidth);
            all.push_back(f);
        }
        return all;
    }
    std::vector<std::string> outFiles() {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(out))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir dir;
    std::string root, vol, out;
    PlatformPaths paths;
    std::unique_ptr<PluginManager> plugins;
};

} // namespace tl::test
