#pragma once
/**
 * @file Mp4Audio.h
 * The audio of an MPEG-4 file as its first sound track's sample description gives it,
 * read beside TagLib: TagLib knows AAC and ALAC only, and takes the rate of HE-AAC for
 * the rate of its core. Here the decoder configuration tells the codec (AAC, ALAC, AC-3,
 * E-AC-3, FLAC, Opus), the output rate and the channels.
 *
 * Every box size is checked against its parent and the file; a box is read only up to a
 * fixed cap, and the sample size table in fixed-size pieces.
 */
#include <cstdint>
#include <optional>
#include <string>

namespace tl::taglib {

class DescriptorStream;

/** The first sound track's sample description. */
struct Mp4Track {
    std::string
        format; ///< the sample entry's type: "mp4a", "alac", "ac-3", "ec-3", "fLaC", "Opus"...
    /** The codec box's payload, at most 64 bytes: the AudioSpecificConfig of esds, the
     *  ALACSpecificConfig of alac, dac3, dec3, the STREAMINFO of dfLa, dOps. */
    std::string config;
    int channels = 0;              ///< the sample entry's own channel count
    unsigned rate = 0;             ///< and sample rate (its integer part)
    std::uint64_t sampleBytes = 0; ///< the bytes of the track's samples (sample size table)
};

/** The sample description of the first sound track; nullopt when there is none. */
std::optional<Mp4Track> readMp4Track(DescriptorStream& stream);

/** What the decoder configuration of a track says about its stream; 0 where it does not
 *  say. */
struct Mp4Stream {
    std::string type;   ///< "AAC", "ALAC", "AC-3", "E-AC-3", "FLAC", "Opus"; empty: unknown
    unsigned rate = 0;  ///< the rate the decoder gives out
    int channels = 0;   ///< the channels it gives out
    int bitrate = 0;    ///< kbit/s: the nominal rate of AC-3 and E-AC-3
    std::string header; ///< the bytes Binary shows
};
Mp4Stream mp4Stream(const Mp4Track& track);

/** An AAC AudioSpecificConfig (ISO/IEC 14496-3 1.6.2.1), with the SBR and parametric
 *  stereo it announces, by object type 5 or 29 or by the sync extension after the
 *  configuration of an AAC-LC core. */
struct AacConfig {
    unsigned coreRate = 0; ///< the sampling frequency of the core
    int coreChannels = 0;  ///< the channel configuration (0: given elsewhere)
    bool sbr = false;      ///< spectral band replication present
    int ps = -1;           ///< parametric stereo: 1 present, 0 absent, -1 not said
    unsigned sbrRate = 0;  ///< the extension sampling frequency (0: not given)
    /** The output rate: the SBR rate (twice the core's when not given), else the core's. */
    unsigned rate() const;
    /** The output channels: a mono core with SBR may carry parametric stereo without
     *  saying so, and decoders give such a stream out as stereo unless it says not. */
    int channels() const;
};
/** The configuration in @p config; coreRate 0 when it cannot be read. */
AacConfig aacConfig(const std::string& config);

} // namespace tl::taglib
