#include "plugins/AudioInfo.h"

#include "storage/Fieldnames.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace tl;

TEST(AudioInfo, TextFieldsMapToTheirSongFields) {
    ASSERT_EQ(AudioTextFields.size(), 13u);
    for (const AudioTextField& f : AudioTextFields)
        EXPECT_EQ(fieldName(f.songField), f.name);
}

TEST(AudioInfo, ReservedByteEmptiesAFieldWhateverFollows) {
    AudioFileInfo info{};
    std::strcpy(info.Artist + 1, "Kept");
    info.Title[0] = 1;
    std::strcpy(info.Title + 1, "Dropped");
    info.Track[0] = 'x';
    std::strcpy(info.Track + 1, "12");
    applyReservedByteRule(info);
    EXPECT_EQ(audioText(info, *audioTextField("Artist")), "Kept");
    EXPECT_EQ(audioText(info, *audioTextField("Title")), "");
    EXPECT_EQ(audioText(info, *audioTextField("Track")), "");
}

TEST(AudioInfo, UnterminatedSpanIsCutAtItsEnd) {
    AudioFileInfo info{};
    std::memset(info.Year + 1, '9', sizeof info.Year - 1);
    std::memset(info.Comment + 1, 'c', sizeof info.Comment - 1);
    applyReservedByteRule(info);
    EXPECT_EQ(audioText(info, *audioTextField("Year")), "9999");
    EXPECT_EQ(audioText(info, *audioTextField("Comment")).size(), 2046u);
    EXPECT_EQ(audioTextField("Nope"), nullptr);
}
