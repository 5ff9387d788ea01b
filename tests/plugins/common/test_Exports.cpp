// What the plug-ins' exports share: the description, exceptions turned into results at the
// C boundary, and the configure box's text where no Qt runs.
#include "plugins/common/Exports.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>

namespace tl::plugin {
namespace {

TEST(Exports, DescriptionFillsTheRecordCutAtCharacters) {
    EXPECT_EQ(describe(nullptr, {"n", "a", "X"}), 1);

    PluginInfo info{};
    ASSERT_EQ(describe(&info, {"FLAC plugin", "Reads FLAC", "FLAC"}), 0);
    EXPECT_STREQ(info.name, "FLAC plugin");
    EXPECT_STREQ(info.about, "Reads FLAC");
    EXPECT_STREQ(info.extension, "FLAC");
    EXPECT_STREQ(info.versionText, "1.0");
    EXPECT_EQ(info.compatibility, 1u);
    EXPECT_EQ(info.version, TL_HOST_INTERFACE_VERSION);

    // 126 ASCII bytes and a two-byte letter: 128 bytes do not fit the 127 of the field.
    const std::string longName = std::string(126, 'n') + "\xC5\x99";
    PluginInfo cut{};
    ASSERT_EQ(describe(&cut, {longName, std::string(300, 'a'), "WAV", "2.0.1"}), 0);
    EXPECT_EQ(std::string(cut.name), std::string(126, 'n'));
    EXPECT_EQ(std::string(cut.about), std::string(127, 'a'));
    EXPECT_STREQ(cut.versionText, "2.0.1");
}

TEST(Exports, AnExceptionInsideBecomesTheResultGiven) {
    struct Case {
        const char* what;
        std::int32_t result;
        std::int32_t (*body)();
    };
    const Case cases[] = {
        {"no exception", 7, [] { return std::int32_t{7}; }},
        {"no memory", 3, []() -> std::int32_t { throw std::bad_alloc(); }},
        {"a library's error", 3, []() -> std::int32_t { throw std::runtime_error("x"); }},
        {"not even a std::exception", 3, []() -> std::int32_t { throw 42; }},
    };
    for (const Case& c : cases)
        EXPECT_EQ(guarded(3, c.body), c.result) << c.what;
}

TEST(Exports, AnalysisNeedsARecordAndADescriptorAndKeepsWhatItFoundBeforeAFailure) {
    int calls = 0;
    const auto analyse = [&](int fd, AudioFileInfo& info) -> std::int32_t {
        ++calls;
        info.Length = fd;
        if (fd == 99)
            throw std::bad_alloc();
        return TL_AFI_OK;
    };
    AudioFileInfo info{};
    EXPECT_EQ(analyseGuarded(5, nullptr, analyse), TL_AFI_NO_HANDLE);
    EXPECT_EQ(analyseGuarded(-1, &info, analyse), TL_AFI_NO_HANDLE);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(analyseGuarded(5, &info, analyse), TL_AFI_OK);
    EXPECT_EQ(info.Length, 5);
    EXPECT_EQ(analyseGuarded(99, &info, analyse), TL_AFI_READ_ERROR);
    EXPECT_EQ(info.Length, 99);
}

TEST(Exports, ConfigureBoxWithoutQtIsWrittenToStandardError) {
    struct Case {
        const char* what;
        std::string_view details;
        std::string said;
    };
    const Case cases[] = {
        {"with details", "It has no settings.", "WAV Plugin\nIt has no settings.\n"},
        {"without details", {}, "WAV Plugin\n"},
    };
    for (const Case& c : cases) {
        PluginConfigRequest request{};
        request.ownerWindow = 0x1234;
        testing::internal::CaptureStderr();
        EXPECT_EQ(showConfigureBox(&request, "Tunelister WAV Plugin", "WAV Plugin", c.details), 0);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.said) << c.what;
    }
    testing::internal::CaptureStderr();
    EXPECT_EQ(showConfigureBox(nullptr, "Caption", "No request", {}), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "No request\n");
    EXPECT_EQ(::dlopen("libQt6Widgets.so.6", RTLD_NOLOAD | RTLD_LAZY), nullptr);
}

} // namespace
} // namespace tl::plugin
