#include "report/DriveTable.h"

#include <gtest/gtest.h>

namespace tl {
namespace {

std::vector<MountedVolume> fixtureVolumes() {
    return {
        {"/", "ext4", "/dev/sda1", "system", "1A2B3C4D", false},
        {"/media/cd", "iso9660", "/dev/sr0", "ROCK_2001", "0F1E2D3C", false},
        {"/mnt/music", "nfs4", "nas:/music", "", "", true},
        {"/proc", "proc", "proc", "", "", false},
        {"/media/usb", "vfat", "/dev/sdb1", "Música", "ABCD1234", false},
    };
}

TEST(DriveTable, ListsIdentifiableVolumesWithRootsEndingInASlash) {
    const DriveTable table = takeDriveTable(fixtureVolumes());
    ASSERT_EQ(table.size(), 3u);
    EXPECT_EQ(table[0].root, "/");
    EXPECT_EQ(table[1].root, "/media/cd/");
    EXPECT_EQ(table[1].label, "ROCK_2001");
    EXPECT_EQ(table[1].serial, "0F1E2D3C");
    EXPECT_EQ(table[2].root, "/media/usb/");
}

TEST(DriveTable, CutsLongLabelsAtACharacterBoundary) {
    std::string label(253, 'a');
    label += "é"; // two bytes, would end at byte 255
    const DriveTable table = takeDriveTable({{"/m", "vfat", "/dev/x", label, "00000001", false}});
    ASSERT_EQ(table.size(), 1u);
    EXPECT_EQ(table[0].label, std::string(253, 'a'));
}

TEST(FindVolumeDrive, MatchesSerialAndLabelIgnoringAsciiCaseOnly) {
    // The CD was catalogued when it was mounted elsewhere; it is found where it is now.
    const DriveTable table = takeDriveTable(fixtureVolumes());
    struct Case {
        const char* serial;
        const char* label;
        const char* root; // nullptr: not mounted
    };
    const Case cases[] = {
        {"0F1E2D3C", "ROCK_2001", "/media/cd/"},
        {"0f1e2d3c", "rock_2001", "/media/cd/"},
        {"0F1E2D3C", "ROCK_2002", nullptr}, // relabelled
        {"0F1E2D3D", "ROCK_2001", nullptr},
        {"abcd1234", "mÚSICA", nullptr}, // only a-z fold
        {"abcd1234", "música", "/media/usb/"},
        {"", "", nullptr}, // network and pseudo file systems are not listed
    };
    for (const Case& c : cases) {
        const DriveEntry* drive = findVolumeDrive(table, c.serial, c.label);
        if (c.root) {
            ASSERT_NE(drive, nullptr) << c.serial << ' ' << c.label;
            EXPECT_EQ(drive->root, c.root);
        } else {
            EXPECT_EQ(drive, nullptr) << c.serial << ' ' << c.label;
        }
    }
}

} // namespace
} // namespace tl
