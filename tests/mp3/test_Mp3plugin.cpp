// The built plug-in, mp3.so, loaded by the plug-in manager as the application loads it,
// over the fixture files made by tests/mp3/fixtures/make_fixtures.sh.
#include "plugins/AudioInfo.h"
#include "plugins/Pluginmanager.h"
#include "support/ResourceLimit.h"
#include "support/TempDir.h"

#include <array>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace tl {
namespace {

std::string appDir() {
    return std::string(std::getenv("TL_APP_DIR")) + "/";
}

std::string fixture(const std::string& name) {
    return std::string(TL_MP3_FIXTURES) + name;
}

class Mp3Plugin : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_plugins.load());
        m_index = m_plugins.findByExtension("mp3");
        ASSERT_GE(m_index, 0);
    }

    int analyse(const std::string& path, AudioFileInfo& info, int options = 0) {
        const int fd = ::open(path.c_str(), O_RDONLY);
        EXPECT_GE(fd, 0) << path;
        struct stat st;
        ::fstat(fd, &st);
        info = AudioFileInfo{};
        info.fileSize = static_cast<std::uint64_t>(st.st_size);
        const int result = m_plugins.audioEntry(m_index)(fd, &info, options);
        ::close(fd);
        applyReservedByteRule(info);
        return result;
    }

    PluginManager m_plugins{appDir() + "plugins/"};
    int m_index = -1;
};

std::string text(const AudioFileInfo& info, const char* name) {
    return std::string(audioText(info, *audioTextField(name)));
}

TEST_F(Mp3Plugin, InfoNamesTheMp3ExtensionItsVersionAndItsConfiguration) {
    PluginInfo info{};
    ASSERT_EQ(m_plugins.getInfo(m_index, info), 0);
    EXPECT_STREQ(info.name, "Default MP3 plugin");
    EXPECT_STREQ(info.extension, "MP3");
    EXPECT_STREQ(info.versionText, "1.0");
    EXPECT_EQ(info.compatibility, 1u);
    EXPECT_EQ(info.version, 1u);
    EXPECT_GT(std::strlen(info.about), 0u);
    EXPECT_TRUE(m_plugins.isConfigurable(m_index));
}

TEST_F(Mp3Plugin, ReadsStreamsOfEveryVersionAndLayer) {
    struct Case {
        const char* file;
        const char* type;
        unsigned frequency;
        int bitrate;
        const char* mode;
        int length;
    };
    // Constant bitrate: the playing time is the file's bytes at that rate (5014 bytes at
    // 128 kbit/s are 313.4 ms). ffprobe gives the same but for the two files with an
    // encoder's Info frame, which it leaves out: 287 ms and 313 ms.
    const Case cases[] = {
        {"mpeg1-l3-cbr128-joint.mp3", "MPG1/3", 44100, 128, "Joint stereo", 313},
        {"mpeg1-l3-cbr128-stereo-noxing.mp3", "MPG1/3", 44100, 128, "Stereo", 287},
        {"mpeg2-l3-cbr64-mono.mp3", "MPG2/3", 22050, 64, "Mono", 339},
        {"mpeg25-l3-cbr16-stereo.mp3", "MPG25/3", 8000, 16, "Stereo", 432},
        {"mpeg1-l2-cbr192-stereo.mp3", "MPG1/2", 48000, 192, "Stereo", 264},
        {"mpeg2-l2-cbr64-mono.mp3", "MPG2/2", 24000, 64, "Mono", 288},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        AudioFileInfo info;
        EXPECT_EQ(analyse(fixture(c.file), info), TL_AFI_OK);
        EXPECT_EQ(text(info, "Type"), c.type);
        EXPECT_EQ(info.Frequency, c.frequency);
        EXPECT_EQ(info.Bitrate, c.bitrate);
        EXPECT_EQ(text(info, "Mode"), c.mode);
        EXPECT_EQ(info.Length, c.length);
    }
}

TEST_F(Mp3Plugin, VariableBitrateFilesAreWalkedOrEstimated) {
    for (const char* file : {"mpeg1-l3-vbr-xing.mp3", "mpeg1-l3-vbr-noxing.mp3"}) {
        SCOPED_TRACE(file);
        AudioFileInfo full, quick;
        EXPECT_EQ(analyse(fixture(file), full, 0), TL_AFI_OK);
        EXPECT_EQ(analyse(fixture(file), quick, TL_AFI_OPTION_QUICK), TL_AFI_OK);
        EXPECT_EQ(quick.Bitrate, -1);
        EXPECT_GT(full.Bitrate, 0);
        // The walk sums 26.12 ms per frame over 0.45 s of sound (plus the encoder's
        // delay and padding frames).
        EXPECT_GE(full.Length, 450);
        EXPECT_LE(full.Length, 560);
        EXPECT_GT(quick.Length, 0);
    }
}

TEST_F(Mp3Plugin, ReadsTagsOfEveryKind) {
    struct Case {
        const char* file;
        int result;
        const char* tag;
        const char* artist;
        const char* title;
        const char* album;
        const char* year;
        const char* genre;
        const char* track;
        const char* comment;
    };
    const Case cases[] = {
        {"tag-id3v2-v23-v11.mp3", TL_AFI_OK, "ID3-2.3, ID3-1.1", "Id3v2 Artist", "Id3v2 Title",
         "Id3v2 Album", "2001", "Rock", "7", "A comment"},
        // ID3v2.4 is not read; the ID3v1 tag fills in.
        {"tag-eyed3-v24.mp3", TL_AFI_TAG_ERROR, "ID3-2.4, ID3-1.1", "Eyed3 Artist", "Eyed3 Title",
         "Eyed3 Album", "", "Jazz", "3", ""},
        // UTF-16 artist left to ID3v1 (where mutagen wrote '?' for the r caron).
        {"tag-mutagen-v23-utf16.mp3", TL_AFI_OK, "ID3-2.3, ID3-1.1", "Dvo?\xC3\xA1k",
         "Caf\xC3\xA9 au lait", "Latin album", "1984", "Pop", "12/14", "Comment text"},
        {"tag-eyed3-v23-utf16.mp3", TL_AFI_OK, "ID3-2.3", "", "", "", "", "", "", ""},
        {"tag-v22-crafted.mp3", TL_AFI_OK, "ID3-2.2", "Two Two Artist", "Two Two Title",
         "Two Two Album", "1999", "Rock", "5", "Two Two comment"},
        {"tag-v23-unsync.mp3", TL_AFI_OK, "ID3-2.3", "Unsync Artist",
         "\xC3\xBF\xC3\xBFUnsync \xC3\xBF Title", "Unsync Album", "", "", "", ""},
        {"tag-v23-extheader.mp3", TL_AFI_OK, "ID3-2.3", "Extended Artist", "Extended Title", "", "",
         "", "", ""},
        {"tag-v10-crafted.mp3", TL_AFI_OK, "ID3-1.1", "One Zero Artist", "One Zero Title",
         "One Zero Album", "1985", "Jazz", "", "CCCCCCCCCCCCCCCCCCCCCCCCCCCCC"},
        {"tag-oversize.mp3", TL_AFI_TAG_ERROR, "ID3-2.3", "", "", "", "", "", "", ""},
        {"nostream-tagged.mp3", TL_AFI_NO_STREAM, "ID3-2.3", "", "Only a tag", "", "", "", "", ""},
        {"stream-interrupted.mp3", TL_AFI_INTERRUPTED, "", "", "", "", "", "", "", ""},
    };
    ::setenv("LC_ALL", "C", 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        AudioFileInfo info;
        EXPECT_EQ(analyse(fixture(c.file), info), c.result);
        EXPECT_EQ(text(info, "Tag"), c.tag);
        EXPECT_EQ(text(info, "Artist"), c.artist);
        EXPECT_EQ(text(info, "Title"), c.title);
        EXPECT_EQ(text(info, "Album"), c.album);
        EXPECT_EQ(text(info, "Year"), c.year);
        EXPECT_EQ(text(info, "Genre"), c.genre);
        EXPECT_EQ(text(info, "Track"), c.track);
        EXPECT_EQ(text(info, "Comment"), c.comment);
        if (c.result != TL_AFI_NO_STREAM) {
            EXPECT_EQ(text(info, "Type"), "MPG1/3");
            EXPECT_GE(info.Length, 1);
        }
    }
    ::unsetenv("LC_ALL");
}

TEST_F(Mp3Plugin, CzechId3v1TagIsReadInTheCzechCodePage) {
    struct Case {
        const char* locale;
        const char* title;
        const char* artist;
    };
    const Case cases[] = {
        {"cs_CZ.UTF-8", "\xC5\xBDlu\xC5\xA5ou\xC4\x8Dk\xC3\xBD k\xC5\xAF\xC5\x88", // Žluťoučký kůň
         "Anton\xC3\xADn Dvo\xC5\x99\xC3\xA1k"}, // Antonín Dvořák
        // The same bytes under an English locale: Windows-1252 letters.
        {"en_GB.UTF-8", "\xC5\xBDlu\xC2\x9Dou\xC3\xA8k\xC3\xBD k\xC3\xB9\xC3\xB2",
         "Anton\xC3\xADn Dvo\xC3\xB8\xC3\xA1k"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.locale);
        ::setenv("LC_ALL", c.locale, 1);
        AudioFileInfo info;
        EXPECT_EQ(analyse(fixture("tag-v11-cp1250.mp3"), info), TL_AFI_OK);
        EXPECT_EQ(text(info, "Title"), c.title);
        EXPECT_EQ(text(info, "Artist"), c.artist);
        EXPECT_EQ(text(info, "Genre"), "Classical");
    }
    ::unsetenv("LC_ALL");
}

TEST_F(Mp3Plugin, ConfigureWithoutQtWritesToStandardErrorAndLoadsNoQt) {
    PluginConfigRequest request{};
    ::setenv("LC_ALL", "cs_CZ.UTF-8", 1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(m_plugins.configure(m_index, request), 0);
    const std::string said = testing::internal::GetCapturedStderr();
    ::unsetenv("LC_ALL");
    EXPECT_TRUE(said.starts_with("MP3 Plugin\n")) << said;
    for (const char* part : {"ID3v2.2, ID3v2.3 and ID3v2.4", "ISO-8859-1, UTF-16 and UTF-8",
                             "(here Windows-1250, Central European)", "modernTags"})
        EXPECT_NE(said.find(part), std::string::npos) << part;
    EXPECT_EQ(::dlopen("libQt6Widgets.so.6", RTLD_NOLOAD | RTLD_LAZY), nullptr);
    EXPECT_EQ(::dlopen("libQt6Core.so.6", RTLD_NOLOAD | RTLD_LAZY), nullptr);
}

/** Every field of a record, named as `tunelister-cli info --json` names them. */
nlohmann::json recordOf(int result, const AudioFileInfo& info) {
    nlohmann::json record;
    record["result"] = result;
    record["fileSize"] = info.fileSize;
    record["Length"] = info.Length;
    record["Bitrate"] = info.Bitrate;
    record["Frequency"] = info.Frequency;
    for (const char* name : {"Artist", "Title", "Album", "Year", "Genre", "Type", "Mode", "Binary",
                             "Tag", "Comment", "OArtist", "Composer", "Track"})
        record[name] = text(info, name);
    return record;
}

constexpr std::array<const char*, 7> StreamKeys = {"result",    "Length", "Type",  "Bitrate",
                                                   "Frequency", "Mode",   "Binary"};

/** The files that show a defect of the stream search, the stream each was made with (none
 *  for a stream the plug-in cannot measure), and the result each gives now. */
struct StreamDefect {
    const char* file;
    const char* stream;
    int result;
};
constexpr StreamDefect StreamDefects[] = {
    // Chance matches of headers in free-format data: the quick look used to stop at the
    // first change of bitrate among them, and Binary held the first one.
    {"mpeg2-l3-free40-stereo.mp3", nullptr, TL_AFI_NO_STREAM},
    {"mpeg1-l3-free160-mono.mp3", nullptr, TL_AFI_NO_STREAM},
    {"junk-header-before-stream.mp3", "mpeg2-l3-cbr64-mono.mp3", TL_AFI_OK},
    {"quick-junk-before-stream.mp3", "mpeg2-l3-cbr64-mono.mp3", TL_AFI_OK},
    {"second-tag-bom-as-sync.mp3", "mpeg1-l3-cbr128-joint.mp3", TL_AFI_OK},
    // Its first tag is ID3v2.4, which the legacy reading refuses.
    {"tag-two-tags.mp3", "mpeg1-l3-cbr128-joint.mp3", TL_AFI_TAG_ERROR},
};

TEST_F(Mp3Plugin, LegacyReadingGivesWhatItAlwaysGaveForEveryFixture) {
    std::ifstream in(fixture("legacy-records.json"));
    const nlohmann::json recorded = nlohmann::json::parse(in);
    ::setenv("LC_ALL", "C", 1);
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(TL_MP3_FIXTURES)) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() != ".mp3")
            continue;
        ASSERT_TRUE(recorded.contains(name)) << name << " has no recorded record";
        ++files;
        const StreamDefect* defect = nullptr;
        for (const StreamDefect& d : StreamDefects)
            if (name == d.file)
                defect = &d;
        for (const int options : {0, TL_AFI_OPTION_QUICK}) {
            SCOPED_TRACE(name + " options " + std::to_string(options));
            AudioFileInfo info;
            const int result = analyse(fixture(name), info, options);
            nlohmann::json record = recordOf(result, info);
            nlohmann::json expected = recorded[name][std::to_string(options)];
            expected.erase("file");
            if (defect) {
                // The stream fields now describe the stream the file was made with.
                AudioFileInfo streamInfo{};
                nlohmann::json stream = recordOf(TL_AFI_NO_STREAM, streamInfo);
                if (defect->stream)
                    stream =
                        recordOf(analyse(fixture(defect->stream), streamInfo, options), streamInfo);
                EXPECT_EQ(record["result"], defect->result);
                // Without a stream, Binary holds what the search last looked at.
                for (const char* key : StreamKeys) {
                    if (std::string_view(key) == "result")
                        continue;
                    if (std::string_view(key) == "Length") {
                        EXPECT_NEAR(record[key].get<int>(), stream[key].get<int>(), 1);
                    } else if (defect->stream || std::string_view(key) != "Binary") {
                        EXPECT_EQ(record[key], stream[key]) << key;
                    }
                    record[key] = expected[key];
                }
                record["result"] = expected["result"];
            }
            EXPECT_EQ(record, expected);
        }
    }
    EXPECT_EQ(files + 1, recorded.size()) << "every recorded file is still a fixture";
    ::unsetenv("LC_ALL");
}

TEST_F(Mp3Plugin, TagTooLargeForTheMemoryLeftIsATagErrorNotACrash) {
    if (tl::test::AddressSanitizerBuild)
        GTEST_SKIP() << "no address-space limit leaves the sanitizer room to work";
    // A file with a 96 MiB ID3v2.3 tag (a title, then padding) before a lame stream, kept
    // sparse on disk.
    constexpr std::size_t TagSize = 96u << 20;
    const test::TempDir dir;
    const std::string path = dir.file("huge-tag.mp3");
    {
        std::string tag = "ID3\x03";
        tag += std::string("\0\0", 2);
        for (const int shift : {21, 14, 7, 0})
            tag += static_cast<char>((TagSize >> shift) & 0x7F);
        tag += std::string("TIT2\0\0\0\x05\0\0\0Huge", 15);
        std::ofstream out(path, std::ios::binary);
        out.write(tag.data(), static_cast<std::streamsize>(tag.size()));
        out.seekp(static_cast<std::streamoff>(10 + TagSize));
        const std::string stream = test::readFile(fixture("mpeg1-l3-cbr128-joint.mp3"));
        out.write(stream.data(), static_cast<std::streamsize>(stream.size()));
    }
    const auto outcome = [&] {
        AudioFileInfo info;
        const int result = analyse(path, info);
        return std::to_string(result) + "|" + text(info, "Tag") + "|" + text(info, "Title") + "|" +
               text(info, "Type") + "|" + std::to_string(info.Length);
    };
    ::setenv("LC_ALL", "C", 1);
    // With memory to spare the tag is read; with 32 MiB left it cannot be held, and the
    // stream behind it is still measured (the same stream as alone, less 10 bytes).
    EXPECT_EQ(outcome(), "0|ID3-2.3|Huge|MPG1/3|313");
    EXPECT_EQ(tl::test::withMemoryLimit(32u << 20, outcome), "5|ID3-2.3||MPG1/3|313");
    ::unsetenv("LC_ALL");
}

TEST_F(Mp3Plugin, DamagedAndFreeFormatStreamsGiveTheirResults) {
    struct Case {
        const char* file;
        int result;
        const char* binary;
        int length;
    };
    const Case cases[] = {
        // Junk behind the second frame, and behind the first (the encoder's Info frame):
        // both interrupted, and the junk is no part of the playing time (5014 bytes of
        // frames at 128 kbit/s).
        {"stream-interrupted.mp3", TL_AFI_INTERRUPTED, "FFFB9064", 313},
        {"stream-interrupted-after-info-frame.mp3", TL_AFI_INTERRUPTED, "FFFB9064", 313},
        // lame's free-format streams, which neither ffprobe nor mutagen can follow.
        {"mpeg2-l3-free40-stereo.mp3", TL_AFI_NO_STREAM, nullptr, 0},
        {"mpeg1-l3-free160-mono.mp3", TL_AFI_NO_STREAM, nullptr, 0},
    };
    for (const Case& c : cases) {
        for (const int options : {0, TL_AFI_OPTION_QUICK, TL_AFI_OPTION_MODERN_TAGS}) {
            SCOPED_TRACE(std::string(c.file) + " options " + std::to_string(options));
            AudioFileInfo info;
            EXPECT_EQ(analyse(fixture(c.file), info, options), c.result);
            EXPECT_EQ(info.Length, c.length);
            if (c.binary) {
                EXPECT_EQ(text(info, "Type"), "MPG1/3");
                EXPECT_EQ(text(info, "Binary"), c.binary);
            } else {
                EXPECT_EQ(text(info, "Type"), "");
                EXPECT_EQ(info.Bitrate, 0);
            }
        }
    }
}

TEST_F(Mp3Plugin, ModernReadingChangesOnlyTagFields) {
    ::setenv("LC_ALL", "C", 1);
    for (const auto& entry : std::filesystem::directory_iterator(TL_MP3_FIXTURES)) {
        if (entry.path().extension() != ".mp3")
            continue;
        for (const int quick : {0, TL_AFI_OPTION_QUICK}) {
            SCOPED_TRACE(entry.path().filename().string() + " quick " + std::to_string(quick));
            AudioFileInfo legacy, modern;
            const int legacyResult = analyse(entry.path(), legacy, quick);
            const int modernResult =
                analyse(entry.path(), modern, quick | TL_AFI_OPTION_MODERN_TAGS);
            const nlohmann::json a = recordOf(legacyResult, legacy),
                                 b = recordOf(modernResult, modern);
            for (const char* key : StreamKeys) {
                if (std::string_view(key) != "result") {
                    EXPECT_EQ(a[key], b[key]) << key;
                }
            }
            // A tag error can only go away.
            if (legacyResult != TL_AFI_TAG_ERROR) {
                EXPECT_EQ(legacyResult, modernResult);
            }
        }
    }
    ::unsetenv("LC_ALL");
}

TEST_F(Mp3Plugin, ModernReadingGivesTheTaggersUnicodeText) {
    struct Case {
        const char* file;
        const char* tag;
        const char* artist;
        const char* title;
        const char* album;
        const char* year;
        const char* genre;
        const char* track;
        const char* comment;
        const char* composer;
    };
    const Case cases[] = {
        {"tag-eyed3-v24-utf8-czech.mp3", "ID3-2.4", "Antonín Dvořák",
         "Žluťoučký kůň úpěl ďábelské ódy", "Slovanské tance", "1878", "Classical", "08",
         "Česká poznámka", "Antonín Dvořák"},
        {"tag-eyed3-v24-utf16-russian.mp3", "ID3-2.4", "Пётр Ильич Чайковский", "Лебединое озеро",
         "Балет", "1877", "Classical", "02/04", "", ""},
        {"tag-eyed3-v23-utf16-russian.mp3", "ID3-2.3, ID3-1.1", "Сергей Рахманинов", "Вокализ", "",
         "1915", "Rock", "1", "Русский комментарий", ""},
        {"tag-eyed3-v23-utf16.mp3", "ID3-2.3", "Utf16 Artist", "Utf16 Title", "", "", "", "", "",
         ""},
        {"tag-eyed3-v24.mp3", "ID3-2.4, ID3-1.1", "Eyed3 Artist", "Eyed3 Title", "Eyed3 Album", "",
         "Jazz", "03", "", ""},
        {"tag-mid3v2-v24.mp3", "ID3-2.4", "Björk", "Jóga", "Homogenic", "1997", "Electronic",
         "3/10", "Íslensk athugasemd", ""},
        {"tag-mutagen-v24-utf8-japanese.mp3", "ID3-2.4", "坂本龍一", "戦場のメリークリスマス 🎄",
         "Merry Christmas Mr. Lawrence", "1983", "Soundtrack; Ambient", "1/19", "映画音楽 🎹",
         "坂本龍一"},
        {"tag-mutagen-v24-utf16-greek.mp3", "ID3-2.4", "Μίκης Θεοδωράκης; Γιώργος Ζαμπέτας",
         "Ο χορός του Ζορμπά", "Αλέξης Ζορμπάς", "1964", "Classical", "", "Σχόλιο", ""},
        {"tag-mutagen-v24-utf16be-emoji.mp3", "ID3-2.4", "The 🎸 Band", "Fire 🔥 and Ice 🧊",
         "Elements 🌍", "2019", "Remix; Cover", "7", "🎶 Recorded live", ""},
        {"tag-mutagen-v23-utf16-multi.mp3", "ID3-2.3", "Artist Ä/Artist Ö", "Zwölf Boxkämpfer", "",
         "1991", "Rock/Pop", "", "Jagen über den Sylter Deich", ""},
        {"tag-mutagen-v23-utf16.mp3", "ID3-2.3, ID3-1.1", "Dvořák", "Café au lait", "Latin album",
         "1984", "Pop rock", "12/14", "Comment text", "Composer Name"},
        {"tag-two-tags.mp3", "ID3-2.4", "Antonín Dvořák", "Žluťoučký kůň úpěl ďábelské ódy",
         "Slovanské tance", "1878", "Classical", "08", "Česká poznámka", "Antonín Dvořák"},
        {"tag-v24-unsync-crafted.mp3", "ID3-2.4", "Unsync ÿé Artist", "ÿ Unsync Title ÿ",
         "Unsync Album ✓", "2004", "", "", "", ""},
        {"tag-v24-footer-crafted.mp3", "ID3-2.4", "Footer Artist", "Footer Title", "", "", "Rock",
         "", "", ""},
        {"tag-v22-crafted.mp3", "ID3-2.2", "Two Two Artist", "Two Two Title", "Two Two Album",
         "1999", "Rock", "5", "Two Two comment", "Some Composer"},
        {"tag-id3v2-v23-v11.mp3", "ID3-2.3, ID3-1.1", "Id3v2 Artist", "Id3v2 Title", "Id3v2 Album",
         "2001", "Rock", "7", "A comment", ""},
        // The year frame holds no year, so the ID3v1 tag's fills in.
        {"year-stray-bom.mp3", "ID3-2.3, ID3-1.1", "Stray BOM Artist", "Stray BOM Title", "",
         "2003", "", "", "", ""},
    };
    ::setenv("LC_ALL", "C", 1);
    for (const Case& c : cases) {
        for (const int quick : {0, TL_AFI_OPTION_QUICK}) {
            SCOPED_TRACE(std::string(c.file) + " quick " + std::to_string(quick));
            AudioFileInfo info;
            EXPECT_EQ(analyse(fixture(c.file), info, quick | TL_AFI_OPTION_MODERN_TAGS), TL_AFI_OK);
            EXPECT_EQ(text(info, "Tag"), c.tag);
            EXPECT_EQ(text(info, "Artist"), c.artist);
            EXPECT_EQ(text(info, "Title"), c.title);
            EXPECT_EQ(text(info, "Album"), c.album);
            EXPECT_EQ(text(info, "Year"), c.year);
            EXPECT_EQ(text(info, "Genre"), c.genre);
            EXPECT_EQ(text(info, "Track"), c.track);
            EXPECT_EQ(text(info, "Comment"), c.comment);
            EXPECT_EQ(text(info, "Composer"), c.composer);
            EXPECT_EQ(text(info, "Type"), "MPG1/3");
        }
    }
    ::unsetenv("LC_ALL");
}

} // namespace
} // namespace tl
