#include "locale/ProfileWriter.h"

#include "locale/Profile.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace tl;

TEST(ProfileWriter, ChangesOnlyTheLineOfTheKeyOrAddsIt) {
    const struct {
        const char* name;
        const char* before;
        const char* section;
        const char* key;
        const char* value;
        const char* after;
    } cases[] = {
        {"replaces in place", "; mine\n[S]\na=1\n; note\nb=2\n\n[T]\nb=9\n", "S", "b", "3",
         "; mine\n[S]\na=1\n; note\nb=3\n\n[T]\nb=9\n"},
        {"matches names without case", "[settings]\nUseCH=1\n", "Settings", "useCh", "0",
         "[settings]\nuseCh=0\n"},
        {"only the first of doubled keys", "[S]\nk=1\nk=2\n", "S", "k", "x", "[S]\nk=x\nk=2\n"},
        {"keeps CR LF line ends", "[S]\r\nk=1\r\nz=2\r\n", "S", "k", "5", "[S]\r\nk=5\r\nz=2\r\n"},
        {"appends after the section's last entry", "[S]\na=1\n\n[T]\nb=2\n", "S", "new", "v",
         "[S]\na=1\nnew=v\n\n[T]\nb=2\n"},
        {"appends to a section without entries", "[S]\n[T]\n", "S", "k", "v", "[S]\nk=v\n[T]\n"},
        {"appends to the first of doubled sections", "[S]\na=1\n[S]\nk=2\n", "S", "k", "v",
         "[S]\na=1\nk=v\n[S]\nk=2\n"},
        {"appends to a last line without line end", "[S]\na=1", "S", "k", "v", "[S]\na=1\nk=v\n"},
        {"adds the section at the end", "; only a comment", "S", "k", "v",
         "; only a comment\n\n[S]\nk=v\n"},
        {"adds the section with the file's line ends", "[T]\r\nx=1\r\n", "S", "k", "v",
         "[T]\r\nx=1\r\n\r\n[S]\r\nk=v\r\n"},
        {"starts an empty file", "", "S", "k", "v", "[S]\nk=v\n"},
        {"keeps a byte order mark", "\xEF\xBB\xBF[S]\nk=1\n", "S", "k", "2",
         "\xEF\xBB\xBF[S]\nk=2\n"},
        {"leaves junk lines alone", "\xff\xfe junk\n[S]\nno equals\nk=1\n", "S", "k", "2",
         "\xff\xfe junk\n[S]\nno equals\nk=2\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(withProfileValue(c.before, c.section, c.key, c.value), c.after) << c.name;
}

TEST(ProfileWriter, EveryValueReadsBackAsWritten) {
    const std::string values[] = {
        "",
        "plain",
        " leading blank",
        "trailing blank\t",
        "\"quoted\"",
        "'single'",
        "\"",
        "a = b",
        "[not a section]",
        " !\"#$%&'()*+,-./0123456789abc\xC3\xA9",
    };
    for (const std::string& v : values) {
        const std::string text = withProfileValue("[S]\nk=old\n", "S", "k", v);
        EXPECT_EQ(Profile::parse(text).find("S", "k"), v) << text;
    }
}

TEST(ProfileWriter, LineBreaksInAValueCannotAddLines) {
    const std::string text = withProfileValue("[S]\n", "S", "k", "x\n[S]\r\nuseCh=1");
    const Profile p = Profile::parse(text);
    EXPECT_EQ(p.find("S", "k"), "x [S]  useCh=1");
    EXPECT_FALSE(p.find("S", "useCh").has_value());
}

TEST(ProfileWriter, WritesTheFileThroughATemporaryFile) {
    test::TempDir dir;
    const std::string path = dir.file("Tunelister.ini");
    test::writeFile(path, "; kept\n[Other]\nx=1\n");
    const ProfileValue values[] = {{"a", "1"}, {"b", " two "}, {"a", "3"}};
    ASSERT_TRUE(writeProfileValues(path, "Settings", values));
    EXPECT_EQ(test::readFile(path), "; kept\n[Other]\nx=1\n\n[Settings]\na=3\nb=\" two \"\n");
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path()))
        ++files;
    EXPECT_EQ(files, 1u) << "no temporary file stays behind";

    const std::string fresh = dir.file("new.ini");
    ASSERT_TRUE(writeProfileValues(fresh, "S", values));
    EXPECT_EQ(Profile::load(fresh)->find("S", "b"), " two ");
}

TEST(ProfileWriter, FailureLeavesTheOldFileAlone) {
    test::TempDir dir;
    const ProfileValue values[] = {{"k", "v"}};
    // A folder where the file should be cannot be read as a profile.
    std::filesystem::create_directory(dir.file("folder.ini"));
    EXPECT_FALSE(writeProfileValues(dir.file("folder.ini"), "S", values));
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("folder.ini")));
    EXPECT_FALSE(writeProfileValues(dir.file("missing/dir/x.ini"), "S", values));
}
