#include "storage/Fieldnames.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace tl;

TEST(Fieldnames, TableHoldsTheTwentyFourNamesInOrder) {
    EXPECT_STREQ(Fieldnames[0], "VolDescription");
    EXPECT_STREQ(Fieldnames[8], "Path");
    EXPECT_STREQ(Fieldnames[16], "Binary");
    EXPECT_STREQ(Fieldnames[23], "ScanDate");
    for (int i = 0; i < FieldCount; ++i)
        EXPECT_EQ(fieldIndexByName(Fieldnames[i]), i);
    EXPECT_EQ(fieldIndexByName("artist"), Artist);
    EXPECT_EQ(fieldIndexByName("VOLSERIAL"), VolSerial);
    EXPECT_EQ(fieldIndexByName("Art"), -1);
    EXPECT_EQ(fieldName(24), "");
}

TEST(Fieldnames, ChoiceListPositionsSkipTitleFNameAndBinary) {
    const std::pair<int, int> cases[] = {{0, 0},  {1, 1},   {2, 3},  {7, 8},
                                         {8, 10}, {14, 17}, {20, 23}};
    for (auto [position, field] : cases)
        EXPECT_EQ(fieldFromChoice(position), field) << "position " << position;
    for (int p = 0; p < FieldChoiceCount; ++p) {
        const int f = fieldFromChoice(p);
        EXPECT_NE(f, Title);
        EXPECT_NE(f, FName);
        EXPECT_NE(f, Binary);
        EXPECT_EQ(choiceFromField(f), p) << "field " << f;
    }
    // A field the list leaves out, or no field at all, is shown as the first entry.
    for (int f : {int(Title), int(FName), int(Binary), -1, FieldCount})
        EXPECT_EQ(choiceFromField(f), 0) << "field " << f;
}

TEST(Fieldnames, FieldKindsFollowTheirContent) {
    for (int f : {Year, Size, Bitrate, Frequency, Track})
        EXPECT_EQ(fieldKind(f), FieldKind::Number) << f;
    EXPECT_EQ(fieldKind(Length), FieldKind::Time);
    EXPECT_EQ(fieldKind(Date), FieldKind::Date);
    EXPECT_EQ(fieldKind(ScanDate), FieldKind::Date);
    for (int f : {Artist, Title, Path, Comment, VolSerial})
        EXPECT_EQ(fieldKind(f), FieldKind::Text) << f;
}

class DayNumber : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        const char* old = std::getenv("TZ");
        m_oldTz = old ? old : "";
        m_hadTz = old != nullptr;
        setenv("TZ", GetParam(), 1);
        tzset();
    }
    void TearDown() override {
        if (m_hadTz)
            setenv("TZ", m_oldTz.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    std::string m_oldTz;
    bool m_hadTz = false;
};

TEST_P(DayNumber, CountsDaysSinceTheEpochInAnyTimeZone) {
    EXPECT_EQ(dayNumber(1970, 1, 1), 0);
    EXPECT_EQ(dayNumber(1970, 1, 2), 1);
    EXPECT_EQ(dayNumber(2001, 7, 4), 11507);
    EXPECT_EQ(dayNumber(2038, 1, 19), 24855);
    EXPECT_EQ(dayNumber(1969, 12, 31), 0);
}

INSTANTIATE_TEST_SUITE_P(TimeZones, DayNumber,
                         ::testing::Values("UTC", "Europe/Prague", "America/New_York",
                                           "Asia/Tokyo"));
