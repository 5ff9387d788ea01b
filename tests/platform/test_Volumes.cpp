#include "platform/Volumes.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

using namespace tl;
using tl::test::TempDir;
namespace fs = std::filesystem;

namespace {

// A fake machine inside a temporary folder: a mount table naming folders below it and
// udev-style by-label/by-uuid links pointing at device names that exist nowhere.
class FakeMounts {
public:
    FakeMounts() {
        m_paths.mountInfo = m_dir.file("mountinfo");
        m_paths.diskByLabel = m_dir.file("dev/disk/by-label");
        m_paths.diskByUuid = m_dir.file("dev/disk/by-uuid");
        m_paths.useBlkid = false;
        fs::create_directories(m_paths.diskByLabel);
        fs::create_directories(m_paths.diskByUuid);
    }
    const PlatformPaths& paths() const { return m_paths; }
    std::string root() const { return fs::canonical(m_dir.path()).string(); }

    void mount(const std::string& escapedPoint, const std::string& type, const std::string& dev,
               const std::string& number) {
        ++m_count;
        m_table += std::to_string(40 + m_count) + " 1 " + number + " / " + escapedPoint +
                   " rw,relatime shared:" + std::to_string(m_count) + " - " + type + " " + dev +
                   " rw\n";
        std::ofstream(m_paths.mountInfo) << m_table;
    }
    void link(const std::string& dir, const std::string& name, const std::string& target) {
        fs::create_symlink(target, dir + "/" + name);
    }

private:
    TempDir m_dir;
    PlatformPaths m_paths;
    std::string m_table;
    int m_count = 0;
};

} // namespace

TEST(Volumes, SerialFollowsTheUuidShape) {
    const struct {
        const char* uuid;
        const char* number;
        const char* serial;
    } cases[] = {
        {"ABCD-12ef", "8:1", "ABCD12EF"},                            // FAT/exFAT
        {"0123456789abcdef", "8:1", "89ABCDEF"},                     // NTFS: low half
        {"e3b0c442-98fc-1c14-9afb-f4c8996fb924", "8:1", "5ABBAD8B"}, // CRC-32 of the text
        {"2020-01-01-12-00-00-00", "11:0", "CDCC69FF"},              // ISO 9660 date id
        {"ABCD-12EG", "8:1", "96EDCB18"},                            // not hex: CRC-32
        {"", "8:3", "4F40D255"},                                     // no UUID
    };
    for (const auto& c : cases)
        EXPECT_EQ(volumeSerial(c.uuid, c.number), c.serial) << c.uuid;
    EXPECT_EQ(crc32("123456789"), 0xCBF43926u);
}

TEST(Volumes, MountInfoLinesAreParsedWithEscapesAndOptionalFields) {
    const std::string text =
        "26 1 254:0 / / rw,relatime - ext4 /dev/vda rw\n"
        "27 26 8:1 / /media/My\\040Music\\134x rw shared:5 master:2 - vfat /dev/sdb1 rw\n"
        "garbage line\n"
        "28 26 0:50 / /net rw - nfs4 server:/export\\040a rw\n"
        "29 26 0:51 / relative rw - tmpfs tmpfs rw\n"
        "30 26 0:52 / /short rw -\n";
    const std::vector<MountEntry> entries = parseMountInfo(text);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].deviceNumber, "254:0");
    std::vector<MountedVolume> v;
    for (const MountEntry& e : entries)
        v.push_back(e.volume);
    EXPECT_EQ(v[0].mountPoint, "/");
    EXPECT_EQ(v[1].mountPoint, "/media/My Music\\x");
    EXPECT_EQ(v[1].fsType, "vfat");
    EXPECT_EQ(v[1].device, "/dev/sdb1");
    EXPECT_FALSE(v[1].network);
    EXPECT_EQ(v[2].device, "server:/export a");
    EXPECT_TRUE(v[2].network);
}

TEST(Volumes, IdentifyFindsTheLongestMountAndItsLabelAndSerial) {
    FakeMounts m;
    const std::string r = m.root();
    for (const char* d :
         {"vol/Music/Rock", "vol/inner/a", "vol2/x", "my vol", "net/share/b", "plain/c", "other"})
        fs::create_directories(r + "/" + d);
    fs::create_directory_symlink(r + "/vol/Music", r + "/other/link");
    m.mount("/", "ext4", "/dev/vda", "254:0");
    m.mount(r + "/vol", "vfat", "/dev/sdz1", "8:1");
    m.mount(r + "/vol/inner", "ntfs3", "/dev/sdz2", "8:2");
    m.mount(r + "/my\\040vol", "exfat", "/dev/sdz4", "8:4");
    m.mount(r + "/net", "nfs4", "server:/export", "0:60");
    m.mount(r + "/plain", "ext2", "/dev/sdz3", "8:3");
    const std::string byLabel = m.paths().diskByLabel, byUuid = m.paths().diskByUuid;
    m.link(byLabel, "MY\\x20MUSIC", "../../sdz1");
    m.link(byUuid, "ABCD-1234", "../../sdz1");
    m.link(byUuid, "0123456789ABCDEF", "../../sdz2");
    m.link(byLabel, "Stick", "/dev/sdz4");
    m.link(byUuid, "1A2B-3C4D", "../../sdz4");

    const struct {
        std::string folder;
        const char* label;
        const char* serial;
        std::string directory;
        bool network;
    } cases[] = {
        {r + "/vol/Music/Rock", "MY MUSIC", "ABCD1234", "Music/Rock", false},
        {r + "/vol/Music/Rock/", "MY MUSIC", "ABCD1234", "Music/Rock", false},
        {r + "/vol", "MY MUSIC", "ABCD1234", "", false},
        {r + "/vol/inner/a", "", "89ABCDEF", "a", false},
        {r + "/vol2/x", "", "", "", false}, // on "/": checked below
        {r + "/my vol", "Stick", "1A2B3C4D", "", false},
        {r + "/net/share/b", "", "", r + "/net/share/b", true},
        {r + "/plain/c", "", "4F40D255", "c", false},
        {r + "/other/link/Rock", "MY MUSIC", "ABCD1234", "Music/Rock", false},
    };
    for (const auto& c : cases) {
        VolumeInfo info;
        ASSERT_TRUE(identifyVolume(c.folder, "Catalogue", info, m.paths())) << c.folder;
        EXPECT_EQ(info.description, "Catalogue");
        EXPECT_EQ(info.network, c.network) << c.folder;
        if (c.folder == r + "/vol2/x") {
            EXPECT_EQ(info.mountPoint, "/");
            EXPECT_EQ(info.directory, (r + "/vol2/x").substr(1));
            EXPECT_EQ(info.serial, volumeSerial("", "254:0"));
            continue;
        }
        EXPECT_EQ(info.label, c.label) << c.folder;
        EXPECT_EQ(info.serial, c.serial) << c.folder;
        EXPECT_EQ(info.directory, c.directory) << c.folder;
    }
}

TEST(Volumes, IdentifyIsNotReadyOnlyWhenTheFolderCannotBeExamined) {
    FakeMounts m;
    m.mount("/", "ext4", "/dev/vda", "254:0");
    VolumeInfo info;
    info.label = "stale";
    EXPECT_FALSE(identifyVolume(m.root() + "/missing", "x", info, m.paths()));
    EXPECT_EQ(info.label, "");
    EXPECT_FALSE(identifyVolume("", "x", info, m.paths()));
    PlatformPaths noTable = m.paths();
    noTable.mountInfo = m.root() + "/no-such-mountinfo";
    EXPECT_FALSE(identifyVolume(m.root(), "x", info, noTable));
    EXPECT_TRUE(identifyVolume(m.root(), std::string(300, 'd'), info, m.paths()));
    EXPECT_EQ(info.description, std::string(255, 'd'));
}

TEST(Volumes, MountedVolumesCarryLabelsAndNetworkSharesHaveNone) {
    FakeMounts m;
    m.mount("/media/cd", "iso9660", "/dev/sr0", "11:0");
    m.mount("/mnt/share", "cifs", "//host/music", "0:61");
    m.link(m.paths().diskByLabel, "AUDIO_CD", "../../sr0");
    m.link(m.paths().diskByUuid, "2020-01-01-12-00-00-00", "../../sr0");
    const std::vector<MountedVolume> v = mountedVolumes(m.paths());
    ASSERT_EQ(v.size(), 2u);
    EXPECT_EQ(v[0].label, "AUDIO_CD");
    EXPECT_EQ(v[0].serial, "CDCC69FF");
    EXPECT_TRUE(v[1].network);
    EXPECT_EQ(v[1].label, "");
    EXPECT_EQ(v[1].serial, "");
    PlatformPaths missing = m.paths();
    missing.mountInfo += ".absent";
    EXPECT_TRUE(mountedVolumes(missing).empty());
}

TEST(Volumes, RelativePathDropsTheMountPointAndSlashes) {
    const struct {
        const char* mount;
        const char* dir;
        bool network;
        const char* path;
    } cases[] = {
        {"/", "/", false, ""},
        {"/", "/home/a/Music", false, "home/a/Music"},
        {"/media/cd", "/media/cd", false, ""},
        {"/media/cd", "/media/cd/Rock/Live/", false, "Rock/Live"},
        {"/mnt/share", "/mnt/share/Jazz", true, "/mnt/share/Jazz"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(volumeRelativePath(c.mount, c.dir, c.network), c.path) << c.dir;
}

TEST(Volumes, MountPointsToChooseFromAreDisksAndSharesOnceInOrder) {
    FakeMounts m;
    const std::string r = m.root();
    fs::create_directories(r + "/media/cd");
    tl::test::writeFile(r + "/hosts", "127.0.0.1 localhost\n");
    m.mount("/", "ext4", "/dev/vda", "254:0");
    m.mount("/proc", "proc", "proc", "0:21");
    m.mount("/run", "tmpfs", "tmpfs", "0:22");
    m.mount("/sys/fs/cgroup", "cgroup2", "cgroup2", "0:23");
    m.mount(r + "/media/cd", "iso9660", "/dev/sr0", "11:0");
    m.mount("/mnt/nas", "nfs4", "server:/music", "0:60");
    m.mount("/snap/core/1", "squashfs", "/dev/loop3", "7:3");
    m.mount(r + "/hosts", "ext4", "/dev/vda", "254:0");
    m.mount("/home", "ext4", "/dev/vda2", "254:2");
    m.mount("/home", "ext4", "/dev/vda2", "254:2");
    const std::vector<std::string> expected{"/", "/home", "/mnt/nas", r + "/media/cd"};
    auto sorted = expected;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(volumeMountPoints(m.paths()), sorted);

    PlatformPaths missing = m.paths();
    missing.mountInfo += ".absent";
    EXPECT_EQ(volumeMountPoints(missing), std::vector<std::string>{"/"})
        << "the root is always a place to name";
}
