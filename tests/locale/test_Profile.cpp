#include "locale/Profile.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace tl;

TEST(Profile, NamesMatchIgnoringCaseAndTheFirstMatchWins) {
    const Profile p = Profile::parse("[General]\r\n"
                                     "Key=first\r\n"
                                     "KEY=second\r\n"
                                     "[general]\r\n"
                                     "Other=hidden by the first section\r\n"
                                     "[Second]\n"
                                     "  spaced key  =  value with blanks  \n");
    EXPECT_EQ(p.find("GENERAL", "key"), "first");
    EXPECT_FALSE(p.find("General", "Other").has_value());
    EXPECT_EQ(p.find("second", "Spaced Key"), "value with blanks");
    EXPECT_FALSE(p.find("Missing", "Key").has_value());
}

TEST(Profile, ValuesAreTrimmedAndLoseOnePairOfQuotes) {
    const Profile p = Profile::parse("[S]\n"
                                     "a=\"quoted\"\n"
                                     "b='single'\n"
                                     "c=\"\"twice\"\"\n"
                                     "d=\"unbalanced\n"
                                     "e=\n"
                                     "f= x = y \n"
                                     "g=\"\n");
    EXPECT_EQ(p.find("S", "a"), "quoted");
    EXPECT_EQ(p.find("S", "b"), "single");
    EXPECT_EQ(p.find("S", "c"), "\"twice\"");
    EXPECT_EQ(p.find("S", "d"), "\"unbalanced");
    EXPECT_EQ(p.find("S", "e"), "");
    EXPECT_EQ(p.find("S", "f"), "x = y");
    EXPECT_EQ(p.find("S", "g"), "\"");
}

TEST(Profile, LinesWithoutEqualsOrBeforeAnySectionAreIgnored) {
    const Profile p = Profile::parse("orphan=1\njust text\n[S]\nno equals here\nk=v\n[broken\n");
    ASSERT_EQ(p.sections().size(), 1u);
    EXPECT_EQ(p.sections()[0].entries.size(), 1u);
    EXPECT_FALSE(Profile::parse("no sections\nk=v\n").hasSections());
    EXPECT_FALSE(Profile::parse("").hasSections());
    EXPECT_EQ(Profile::parse("\xEF\xBB\xBF[S]\nk=v\n").find("S", "k"), "v")
        << "a byte order mark does not hide the first section";
}

TEST(Profile, StringsAreCutAtTheirLimitOnACharacterBoundary) {
    const Profile p = Profile::parse("[S]\nk=abc\xC3\xA9z\n");
    EXPECT_EQ(p.getString("S", "k", "", 100), "abc\xC3\xA9z");
    EXPECT_EQ(p.getString("S", "k", "", 4), "abc");
    EXPECT_EQ(p.getString("S", "k", "", 5), "abc\xC3\xA9");
    EXPECT_EQ(p.getString("S", "missing", "default", 3), "def");
}

TEST(Profile, IntegersReadTheLeadingDecimalNumber) {
    const Profile p = Profile::parse("[S]\na=12abc\nb=  -7\nc=word\nd=\ne=+3\n"
                                     "f=99999999999999999999999\n");
    EXPECT_EQ(p.getInt("S", "a", 5), 12);
    EXPECT_EQ(p.getInt("S", "b", 5), -7);
    EXPECT_EQ(p.getInt("S", "c", 5), 0);
    EXPECT_EQ(p.getInt("S", "d", 5), 0);
    EXPECT_EQ(p.getInt("S", "e", 5), 3);
    EXPECT_EQ(p.getInt("S", "f", 5), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(p.getInt("S", "missing", -1), -1);
}

TEST(Profile, MissingFileIsNotLoadedAndBinaryJunkParsesSafely) {
    EXPECT_FALSE(Profile::load("/nonexistent/file.ini").has_value());
    tl::test::TempDir dir;
    // Neither is anything but a regular file: a FIFO is not waited on, a device not read.
    ASSERT_EQ(::mkfifo(dir.file("fifo.lcl").c_str(), 0600), 0);
    EXPECT_FALSE(Profile::load(dir.file("fifo.lcl")).has_value());
    EXPECT_FALSE(Profile::load("/dev/zero").has_value());
    EXPECT_FALSE(Profile::load(dir.path().string()).has_value());
    std::string junk;
    for (int i = 0; i < 4096; ++i)
        junk.push_back(static_cast<char>((i * 7919) & 0xFF));
    tl::test::writeFile(dir.file("junk.ini"), junk + "\n[S]\nk=v");
    const auto p = Profile::load(dir.file("junk.ini"));
    ASSERT_TRUE(p.has_value());
    EXPECT_EQ(p->find("S", "k"), "v");
}
