#pragma once
/**
 * @file TaglibAnalysis.h
 * The work behind `_GetAudioFileInfo` of the TagLib plug-ins: the stream facts and the
 * tags of one file, read with TagLib through the descriptor the host gives.
 *
 * The record is filled as the mp3 plug-in fills it, with the same field limits and
 * UTF-8 text cut at character boundaries:
 *  - `Type` names the codec: FLAC, Vorbis, Opus, AAC, ALAC, AC-3, E-AC-3, WMA, PCM (or PCM
 *    float, A-law, µ-law), WavPack, APE;
 *  - `Length` in milliseconds, rounded, at least 1 when a stream was found: from the
 *    sample count where the container has one (FLAC, Ogg, WAVE, AIFF, WavPack, APE), from
 *    the track's media duration for MPEG-4 and the play duration less the preroll for ASF;
 *  - `Bitrate` (kbit/s, the average of the stream), `Frequency` (the rate the decoder gives
 *    out: HE-AAC's, not its core's), `Mode` ("Mono", "Stereo", "N channels");
 *  - `Binary`: the first four bytes of the stream header, in hex;
 *  - `Tag`: the tags found, in their order of precedence;
 *  - the descriptive fields from those tags.
 */
#include "plugins/PluginInterface.h"
#include "plugins/taglib/Formats.h"
#include "plugins/taglib/TagFields.h"

namespace tl::taglib {

class DescriptorStream;

/** Analyses the file read through @p stream as a file of @p container into @p info (whose
 *  fileSize the caller has set) and returns a `TL_AFI_*` result: 0; 3 when a read failed;
 *  4 when no audio stream was found (tag fields may still be filled); 5 when the file
 *  begins with an ID3v2 tag that is malformed or that this container's reader does not
 *  read. */
int analyseStream(DescriptorStream& stream, Container container, AudioFileInfo& info,
                  CodePage page);

/** The same over descriptor @p fd (negative: result 1). Never throws. */
int analyseDescriptor(int fd, Container container, AudioFileInfo& info, CodePage page);

/** "Mono", "Stereo" or "N channels". */
std::string modeName(int channels);

/** Writes @p text into the text span @p span of @p spanSize bytes: after the reserved first
 *  byte, up to its first zero byte and cut at a character boundary to spanSize - 2 bytes. */
void setText(char* span, std::size_t spanSize, std::string_view text);

} // namespace tl::taglib
