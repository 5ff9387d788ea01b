#pragma once
/**
 * @file Formats.h
 * The file formats read through TagLib, and the plug-in built for each extension.
 */
#include <array>
#include <string_view>

namespace tl::taglib {

/** The container a plug-in reads; within it the codec is told by the content. */
enum class Container {
    Flac,    ///< native FLAC
    Ogg,     ///< Ogg with Vorbis, Opus or FLAC
    Mp4,     ///< MPEG-4 audio with AAC, ALAC, AC-3, E-AC-3, FLAC or Opus
    Asf,     ///< Windows Media Audio
    Wav,     ///< RIFF WAVE
    Aiff,    ///< AIFF and AIFF-C
    WavPack, ///< WavPack
    Ape      ///< APE
};

/** What one plug-in says about itself. */
struct Format {
    std::string_view extension; ///< as PluginInfo.extension, upper case
    Container container;
    std::string_view name;  ///< display name
    std::string_view about; ///< one line: what it reads
    std::string_view label; ///< short name in its configure box ("FLAC Plugin")
};

inline constexpr std::array<Format, 11> Formats = {{
    {"FLAC", Container::Flac, "FLAC plugin",
     "FLAC with Vorbis comments and ID3 tags, read with TagLib", "FLAC"},
    {"OGG", Container::Ogg, "Ogg plugin",
     "Ogg Vorbis, Opus and FLAC with Vorbis comments, read with TagLib", "Ogg"},
    {"OGA", Container::Ogg, "Ogg audio plugin",
     "Ogg FLAC, Vorbis and Opus with Vorbis comments, read with TagLib", "Ogg audio"},
    {"OPUS", Container::Ogg, "Opus plugin", "Opus in Ogg with Vorbis comments, read with TagLib",
     "Opus"},
    {"M4A", Container::Mp4, "MPEG-4 audio plugin",
     "AAC, ALAC, AC-3, E-AC-3, FLAC and Opus in MPEG-4 files with their item lists, read with "
     "TagLib",
     "MPEG-4 audio"},
    {"WMA", Container::Asf, "WMA plugin", "Windows Media Audio with ASF tags, read with TagLib",
     "WMA"},
    {"WAV", Container::Wav, "WAV plugin", "RIFF WAVE with INFO and ID3 tags, read with TagLib",
     "WAV"},
    {"AIF", Container::Aiff, "AIFF plugin (.aif)",
     "AIFF and AIFF-C with ID3 tags, read with TagLib", "AIFF"},
    {"AIFF", Container::Aiff, "AIFF plugin (.aiff)",
     "AIFF and AIFF-C with ID3 tags, read with TagLib", "AIFF"},
    {"WV", Container::WavPack, "WavPack plugin",
     "WavPack with APE and ID3v1 tags, read with TagLib", "WavPack"},
    {"APE", Container::Ape, "APE plugin", "APE streams with APE and ID3v1 tags, read with TagLib",
     "APE"},
}};

/** The format of @p extension (upper case, as in Formats), or nullptr. */
constexpr const Format* formatFor(std::string_view extension) {
    for (const Format& f : Formats)
        if (f.extension == extension)
            return &f;
    return nullptr;
}

} // namespace tl::taglib
