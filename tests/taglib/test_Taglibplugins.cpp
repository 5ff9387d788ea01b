// The built TagLib plug-ins, loaded by the plug-in manager as the application loads them,
// over the fixtures made by tests/taglib/fixtures/make_fixtures.sh. (What ffprobe and
// mutagen read from the same files is compared in tests/cli/test_info_formats.py.)
#include "plugins/AudioInfo.h"
#include "plugins/Pluginmanager.h"

#include "support/PluginCall.h"
#include "support/TempDir.h"

#include <atomic>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace tl {
namespace {

std::string fixture(const std::string& name) {
    return std::string(TL_TAGLIB_FIXTURES) + name;
}

class TaglibPlugins : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_plugins.load());
        ::unsetenv("LC_ALL");
        ::setenv("LANG", "C", 1);
    }

    /** Analyses @p path with the plug-in of @p extension (by default its own). */
    int analyse(const std::string& path, AudioFileInfo& info, std::string extension = {}) {
        const int i = m_plugins.findByExtension(
            extension.empty() ? std::string(PluginManager::extensionOf(path)) : extension);
        EXPECT_GE(i, 0) << path;
        return test::analyseWithPlugin(m_plugins, i, path, info);
    }

    PluginManager m_plugins{std::string(std::getenv("TL_APP_DIR")) + "/plugins/"};
};

using test::fieldText;

const char* const Extensions[] = {"FLAC", "OGG", "OGA",  "OPUS", "M4A", "WMA",
                                  "WAV",  "AIF", "AIFF", "WV",   "APE"};

TEST_F(TaglibPlugins, OnePluginPerExtensionDescribesItself) {
    for (const char* extension : Extensions) {
        SCOPED_TRACE(extension);
        const int i = m_plugins.findByExtension(extension);
        ASSERT_GE(i, 0);
        PluginInfo info{};
        ASSERT_EQ(m_plugins.getInfo(i, info), 0);
        EXPECT_STREQ(info.extension, extension);
        EXPECT_STREQ(info.versionText, "1.0");
        EXPECT_EQ(info.compatibility, 1u);
        EXPECT_EQ(info.version, 1u);
        EXPECT_NE(std::strstr(info.name, "plugin"), nullptr) << info.name;
        EXPECT_NE(std::strstr(info.about, "TagLib 1."), nullptr) << info.about;
        EXPECT_TRUE(m_plugins.isConfigurable(i));
        std::string file = extension;
        for (char& ch : file)
            ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        EXPECT_EQ(m_plugins.fileName(i), file + ".so");
    }
}

TEST_F(TaglibPlugins, StreamFactsOfEveryFormat) {
    struct Case {
        const char* file;
        int result;
        const char* type;
        int length;
        unsigned frequency;
        const char* mode;
        const char* binary;
        const char* tag;
    };
    const Case cases[] = {
        {"flac-vorbiscomment.flac", TL_AFI_OK, "FLAC", 250, 8000, "Mono", "10001000", "Vorbis"},
        {"flac-stereo-untagged.flac", TL_AFI_OK, "FLAC", 200, 44100, "Stereo", "10001000", ""},
        {"flac-id3-legacy.flac", TL_AFI_OK, "FLAC", 250, 8000, "Mono", "10001000",
         "ID3-2.3, ID3-1.1"},
        {"flac-badid3.flac", TL_AFI_TAG_ERROR, "FLAC", 200, 44100, "Stereo", "10001000", "ID3-2.5"},
        {"vorbis.ogg", TL_AFI_OK, "Vorbis", 400, 22050, "Mono", "01766F72", "Vorbis"},
        {"opus.opus", TL_AFI_OK, "Opus", 400, 48000, "Mono", "4F707573", "Vorbis"},
        {"opus-in-ogg.ogg", TL_AFI_OK, "Opus", 400, 48000, "Mono", "4F707573", "Vorbis"},
        {"oggflac.oga", TL_AFI_OK, "FLAC", 250, 8000, "Mono", "10001000", "Vorbis"},
        // The media duration counts the encoder's priming samples (1024 at 22050 Hz).
        {"aac.m4a", TL_AFI_OK, "AAC", 446, 22050, "Mono", "138856E5", "MP4"},
        {"alac.m4a", TL_AFI_OK, "ALAC", 250, 8000, "Mono", "00001000", "MP4"},
        {"wmav2.wma", TL_AFI_OK, "WMA", 417, 22050, "Mono", "61010100", "ASF"},
        {"wmav1-untagged.wma", TL_AFI_OK, "WMA", 417, 22050, "Mono", "60010100", ""},
        {"wav-info.wav", TL_AFI_OK, "PCM", 250, 8000, "Mono", "01000100", "RIFF-INFO"},
        {"wav-id3.wav", TL_AFI_OK, "PCM", 250, 8000, "Mono", "01000100", "ID3-2.4"},
        {"wav-float-stereo.wav", TL_AFI_OK, "PCM float", 20, 44100, "Stereo", "FEFF0200", ""},
        {"wav-6ch.wav", TL_AFI_OK, "PCM", 50, 8000, "6 channels", "FEFF0600", ""},
        {"aiff-pcm.aiff", TL_AFI_OK, "PCM", 250, 8000, "Mono", "00010000", "ID3-2.3"},
        {"aifc-ulaw.aif", TL_AFI_OK, "\xC2\xB5-law", 250, 8000, "Mono", "00010000", "ID3-2.4"},
        {"wavpack.wv", TL_AFI_OK, "WavPack", 250, 8000, "Mono", "7776706B", "APE-2"},
        {"ape-3990.ape", TL_AFI_OK, "APE", 250, 8000, "Mono", "4D414320", "APE-2"},
        {"ape-3970.ape", TL_AFI_OK, "APE", 250, 8000, "Mono", "4D414320", "APE-2, ID3-1.1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        AudioFileInfo info;
        EXPECT_EQ(analyse(fixture(c.file), info), c.result);
        EXPECT_EQ(fieldText(info, "Type"), c.type);
        EXPECT_EQ(info.Length, c.length);
        EXPECT_EQ(info.Frequency, c.frequency);
        EXPECT_EQ(fieldText(info, "Mode"), c.mode);
        EXPECT_EQ(fieldText(info, "Binary"), c.binary);
        EXPECT_EQ(fieldText(info, "Tag"), c.tag);
        EXPECT_GT(info.Bitrate, 0);
    }
}

TEST_F(TaglibPlugins, StreamsTagLibAloneDoesNotReadAsFfprobeReadsThem) {
    // What ffprobe reads of each (fixtures/oracle.json); the MPEG-4 lengths are the tracks'
    // media durations, as for AAC.
    struct Case {
        const char* file;
        const char* type;
        int length;
        unsigned frequency;
        const char* mode;
        int bitrate;
        const char* binary;
        const char* tag;
    };
    const Case cases[] = {
        {"ac3.m4a", "AC-3", 209, 44100, "Stereo", 96, "5010C0", "MP4"},
        {"eac3-5.1.m4a", "E-AC-3", 128, 48000, "6 channels", 192, "0600200F", ""},
        {"flac-in-mp4.m4a", "FLAC", 250, 8000, "Mono", 32, "02400240", ""},
        {"opus-in-mp4.m4a", "Opus", 207, 48000, "Stereo", 27, "4F707573", ""},
        // HE-AAC: SBR doubles the core's 22050 Hz; a mono core is given out in stereo.
        {"aac-he-sbr.m4a", "AAC", 446, 44100, "Stereo", 27, "2B8A0800", "MP4"},
        {"aac-he-ps.m4a", "AAC", 446, 44100, "Stereo", 27, "EB8A0800", "MP4"},
        {"aac-he-sync-extension.m4a", "AAC", 446, 44100, "Stereo", 27, "138856E5", "MP4"},
        {"wav-streamed.wav", "PCM", 250, 8000, "Mono", 128, "01000100", ""},
        {"wav-zero-size-chunk.wav", "PCM", 250, 8000, "Mono", 64, "01000100", "ID3-2.4"},
        {"flac-short-picture-block.flac", "FLAC", 250, 8000, "Mono", 19, "10001000", "Vorbis"},
        {"flac-picture.flac", "FLAC", 250, 8000, "Mono", 19, "10001000", "Vorbis"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        AudioFileInfo info;
        EXPECT_EQ(analyse(fixture(c.file), info), TL_AFI_OK);
        EXPECT_EQ(fieldText(info, "Type"), c.type);
        EXPECT_EQ(info.Length, c.length);
        EXPECT_EQ(info.Frequency, c.frequency);
        EXPECT_EQ(fieldText(info, "Mode"), c.mode);
        EXPECT_EQ(info.Bitrate, c.bitrate);
        EXPECT_EQ(fieldText(info, "Binary"), c.binary);
        EXPECT_EQ(fieldText(info, "Tag"), c.tag);
    }
}

TEST_F(TaglibPlugins, TagsOfEveryKind) {
    struct Case {
        const char* file;
        const char* artist;
        const char* title;
        const char* album;
        const char* year;
        const char* genre;
        const char* comment;
        const char* oartist;
        const char* composer;
        const char* track;
    };
    const Case cases[] = {
        {"flac-vorbiscomment.flac", "Antonín Dvořák", "Largo", "Symfonie č. 9 „Z Nového světa“",
         "1893", "Classical", "Nahráno v Rudolfinu", "Česká filharmonie", "Antonín Dvořák", "2/4"},
        {"vorbis.ogg", "山田 花子", "春の海", "日本の歌", "2004", "J-Pop", "テスト録音", "",
         "宮城 道雄", "5/11"},
        {"opus.opus", "Zuzana Nováková", "Píseň o lípě", "Lidové písně", "2011", "Folk", "Živě", "",
         "", "7/9"},
        {"oggflac.oga", "Ogg Artist", "Ogg FLAC", "", "1999", "", "", "", "", ""},
        {"aac.m4a", "Ludmila Černá", "Ranní káva", "Kavárna", "2019", "Jazz", "Nahráno doma",
         "Old Quartet", "Jan Novák", "3/12"},
        {"alac.m4a", "鈴木 一郎", "静かな夜", "ロスレス", "", "", "", "", "", "1"},
        {"ac3.m4a", "Dolby Stereo", "Dva kanály", "", "1992", "", "", "", "", ""},
        {"wmav2.wma", "Windows Artist", "Windows Title", "Windows Album", "2006", "Rock",
         "Windows comment", "Windows Original", "Windows Composer", "8"},
        {"wav-info.wav", "Info Artist", "Info Title", "Info Album", "1987", "Jazz", "Info comment",
         "", "", "3"},
        {"wav-id3.wav", "Kateřina Malá", "Ukolébavka", "Písničky", "2001", "Children's",
         "Osmibitová", "Babička", "Lidová", "1/2"},
        // The same tag behind a chunk of no name, which TagLib refuses.
        {"wav-zero-size-chunk.wav", "Kateřina Malá", "Ukolébavka", "Písničky", "2001", "Children's",
         "Osmibitová", "Babička", "Lidová", "1/2"},
        // The Vorbis comment behind a picture block whose size is too short.
        {"flac-short-picture-block.flac", "Bedřich Smetana", "Vltava", "Má vlast", "1875", "", "",
         "", "", ""},
        {"aiff-pcm.aiff", "佐藤 健", "朝", "アルバム", "1995", "Ambient", "コメント", "原曲",
         "作曲者", "6/6"},
        {"wavpack.wv", "Wav Pack Artist", "Čtvrtá věta", "WavPack Album", "2015", "Ambient",
         "Lossless", "", "Some Composer", "4/10"},
        {"ape-3990.ape", "Opička Žofie", "Nová píseň", "Monkey Album", "2008", "Pop", "APE comment",
         "APE Original", "APE Composer", "9/12"},
        // The APE tag first, the ID3v1 tag filling in behind it.
        {"ape-3970.ape", "Old Artist", "Starý formát", "Old Album", "1998", "Jazz", "", "", "",
         "2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        AudioFileInfo info;
        EXPECT_EQ(analyse(fixture(c.file), info), TL_AFI_OK);
        EXPECT_EQ(fieldText(info, "Artist"), c.artist);
        EXPECT_EQ(fieldText(info, "Title"), c.title);
        EXPECT_EQ(fieldText(info, "Album"), c.album);
        EXPECT_EQ(fieldText(info, "Year"), c.year);
        EXPECT_EQ(fieldText(info, "Genre"), c.genre);
        EXPECT_EQ(fieldText(info, "Comment"), c.comment);
        EXPECT_EQ(fieldText(info, "OArtist"), c.oartist);
        EXPECT_EQ(fieldText(info, "Composer"), c.composer);
        EXPECT_EQ(fieldText(info, "Track"), c.track);
    }
}

TEST_F(TaglibPlugins, LegacyTagsAreReadInTheCodePageOfTheUsersLanguage) {
    struct Case {
        const char* lang;
        const char* title;
        const char* artist;
    };
    const Case cases[] = {
        {"cs_CZ.UTF-8", "Žluťoučký kůň", "Antonín Dvořák"},
        // The same bytes under an English locale: Windows-1252 letters.
        {"en_GB.UTF-8", "\xC5\xBDlu\xC2\x9Dou\xC3\xA8k\xC3\xBD k\xC3\xB9\xC3\xB2",
         "Anton\xC3\xADn Dvo\xC3\xB8\xC3\xA1k"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lang);
        ::setenv("LANG", c.lang, 1);
        AudioFileInfo info;
        EXPECT_EQ(analyse(fixture("flac-id3-legacy.flac"), info), TL_AFI_OK);
        EXPECT_EQ(fieldText(info, "Title"), c.title);   // ID3v2.3, ISO-8859-1 frame
        EXPECT_EQ(fieldText(info, "Artist"), c.artist); // ID3v1
        EXPECT_EQ(fieldText(info, "Genre"), "Classical");
        EXPECT_EQ(fieldText(info, "Year"), "1896");
        EXPECT_EQ(fieldText(info, "Track"), "3");
    }
}

TEST_F(TaglibPlugins, AnalysesOnSeveralThreadsAtOnceGiveWhatOneGives) {
    // The scan calls a plug-in on its worker thread; nothing a call leaves behind may
    // reach another call, on any thread.
    const char* const files[] = {"flac-vorbiscomment.flac",
                                 "vorbis.ogg",
                                 "aac.m4a",
                                 "eac3-5.1.m4a",
                                 "wmav2.wma",
                                 "wav-info.wav",
                                 "aiff-pcm.aiff",
                                 "wavpack.wv",
                                 "ape-3970.ape",
                                 "flac-id3-legacy.flac",
                                 "wav-streamed.wav"};
    std::vector<AudioFileInfo> alone(std::size(files));
    for (std::size_t i = 0; i < std::size(files); ++i)
        ASSERT_EQ(analyse(fixture(files[i]), alone[i]), TL_AFI_OK) << files[i];
    std::atomic<int> differences{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 5; ++round)
                for (std::size_t k = 0; k < std::size(files); ++k) {
                    const std::size_t i = (k + static_cast<std::size_t>(t)) % std::size(files);
                    const std::string path = fixture(files[i]);
                    const int plugin =
                        m_plugins.findByExtension(std::string(PluginManager::extensionOf(path)));
                    AudioFileInfo info;
                    test::analyseWithPlugin(m_plugins, plugin, path, info);
                    if (std::memcmp(&info, &alone[i], sizeof info) != 0)
                        ++differences;
                }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(differences, 0);
}

TEST_F(TaglibPlugins, BrokenFilesHaveNoStream) {
    test::TempDir dir;
    const std::string empty = dir.file("empty");
    test::writeFile(empty, "");
    const std::pair<std::string, const char*> cases[] = {
        {fixture("truncated-streaminfo.flac"), "FLAC"},
        {fixture("truncated-firstpage.ogg"), "OGG"},
        {fixture("truncated-nomoov.m4a"), "M4A"},
    };
    for (const auto& [file, extension] : cases) {
        SCOPED_TRACE(file);
        AudioFileInfo info;
        EXPECT_EQ(analyse(file, info, extension), TL_AFI_NO_STREAM);
        EXPECT_EQ(info.Length, 0);
        EXPECT_EQ(fieldText(info, "Type"), "");
    }
    // Garbage, an empty file and another format's file, through every plug-in.
    for (const char* extension : Extensions) {
        SCOPED_TRACE(extension);
        AudioFileInfo info;
        EXPECT_EQ(analyse(fixture("garbage.dat"), info, extension), TL_AFI_NO_STREAM);
        EXPECT_EQ(analyse(empty, info, extension), TL_AFI_NO_STREAM);
        const char* other = std::string(extension) == "WAV" ? "aiff-pcm.aiff" : "wav-info.wav";
        EXPECT_EQ(analyse(fixture(other), info, extension), TL_AFI_NO_STREAM);
    }
}

TEST_F(TaglibPlugins, DescriptorsThatCannotBeReadAreReadErrors) {
    const int i = m_plugins.findByExtension("FLAC");
    AudioFileInfo info{};
    EXPECT_EQ(m_plugins.audioEntry(i)(-1, &info, 0), TL_AFI_NO_HANDLE);
    EXPECT_EQ(m_plugins.audioEntry(i)(0, nullptr, 0), TL_AFI_NO_HANDLE);

    test::TempDir dir;
    const std::string path = dir.file("song.flac");
    test::writeFile(path, test::readFile(fixture("flac-vorbiscomment.flac")));
    const int writeOnly = ::open(path.c_str(), O_WRONLY);
    const int directory = ::open(dir.path().c_str(), O_RDONLY | O_DIRECTORY);
    for (int fd : {writeOnly, directory}) {
        info = AudioFileInfo{};
        EXPECT_EQ(m_plugins.audioEntry(i)(fd, &info, 0), TL_AFI_READ_ERROR);
        ::close(fd);
    }
}

TEST_F(TaglibPlugins, ConfigureWithoutQtWritesToStandardErrorAndLoadsNoQt) {
    PluginConfigRequest request{};
    testing::internal::CaptureStderr();
    EXPECT_EQ(m_plugins.configure(m_plugins.findByExtension("WV"), request), 0);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said.substr(0, said.find('\n')), "WavPack Plugin");
    EXPECT_NE(said.find("It has no settings."), std::string::npos);
    EXPECT_EQ(::dlopen("libQt6Widgets.so.6", RTLD_NOLOAD | RTLD_LAZY), nullptr);
    EXPECT_EQ(::dlopen("libQt6Core.so.6", RTLD_NOLOAD | RTLD_LAZY), nullptr);
}

} // namespace
} // namespace tl
