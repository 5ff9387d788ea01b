// The exports of the mp3 plug-in. Everything else in the library is hidden.
#include "plugins/common/CodePage.h"
#include "plugins/common/Exports.h"
#include "plugins/mp3/Mp3.h"

#include <string>

namespace {

constexpr const char* ConfigureCaption = "Tunelister MP3 Plugin";

const char* codePageName(tl::plugin::CodePage page) {
    switch (page) {
    case tl::plugin::CodePage::Cp1250:
        return "Windows-1250, Central European";
    case tl::plugin::CodePage::Cp1251:
        return "Windows-1251, Cyrillic";
    case tl::plugin::CodePage::Cp1253:
        return "Windows-1253, Greek";
    case tl::plugin::CodePage::Cp1254:
        return "Windows-1254, Turkish";
    case tl::plugin::CodePage::Cp1257:
        return "Windows-1257, Baltic";
    case tl::plugin::CodePage::Cp1252:
        break;
    }
    return "Windows-1252, Western European";
}

/** What the plug-in reads, for its settings box. */
std::string configureText() {
    return std::string("MP3 Plugin\n\n"
                       "Reads MPEG-1, MPEG-2 and MPEG-2.5 audio (Layers I, II and III), "
                       "ID3v2.2, ID3v2.3 and ID3v2.4 tags at the start of a file and "
                       "ID3v1 and ID3v1.1 tags at its end.\n\n"
                       "ID3v2 text is read in ISO-8859-1, UTF-16 and UTF-8; ISO-8859-1 text "
                       "and ID3v1 tags are read in the code page of your language (here ") +
           codePageName(tl::plugin::codePageFromEnvironment()) +
           ").\n\n"
           "Modern tag reading (ID3v2.4, UTF-16 and UTF-8) is switched on and off in the "
           "program's options (the setting modernTags). Without it, only ISO-8859-1 text of "
           "ID3v2.2 and ID3v2.3 tags is read.";
}

} // namespace

TL_EXPORT int32_t _GetPluginInfo(PluginInfo* info) {
    return tl::plugin::describe(
        info, {"Default MP3 plugin", "Copyright (c) Tunelister developers", "MP3"});
}

TL_EXPORT int32_t _GetAudioFileInfo(int32_t fd, AudioFileInfo* info, int32_t options) {
    return tl::plugin::analyseGuarded(fd, info, [&](int file, AudioFileInfo& record) {
        return tl::mp3::analyseDescriptor(file, record, options,
                                          tl::plugin::codePageFromEnvironment());
    });
}

TL_EXPORT int32_t _ConfigurePugin(PluginConfigRequest* request) {
    return tl::plugin::guarded(1, [&] {
        return tl::plugin::showConfigureBox(request, ConfigureCaption, configureText(), {});
    });
}
