#include "plugins/taglib/TaglibAnalysis.h"

#include "plugins/taglib/ByteReader.h"
#include "plugins/taglib/DescriptorStream.h"
#include "plugins/taglib/Mp4Audio.h"
#include "plugins/taglib/StreamHeader.h"

#include <taglib/aifffile.h>
#include <taglib/apefile.h>
#include <taglib/apefooter.h>
#include <taglib/apetag.h>
#include <taglib/asffile.h>
#include <taglib/flacfile.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2header.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4file.h>
#include <taglib/oggflacfile.h>
#include <taglib/opusfile.h>
#include <taglib/tpropertymap.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/wavpackfile.h>
#include <taglib/xiphcomment.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

namespace tl::taglib {
namespace {

constexpr auto ReadStyle = TagLib::AudioProperties::Average;

std::string bytes(const TagLib::ByteVector& v) {
    return std::string(v.data(), v.size());
}

/** A TagLib file over the stream that reads nothing itself, for reading a tag that the
 *  plug-in found where the container's reader did not. */
class RawFile : public TagLib::File {
public:
    explicit RawFile(TagLib::IOStream* stream) : TagLib::File(stream) {}
    TagLib::Tag* tag() const override { return nullptr; }
    TagLib::AudioProperties* audioProperties() const override { return nullptr; }
    bool save() override { return false; }
};

/** One analysis: what the container's reader found, gathered before the record is
 *  written. */
class Analysis {
public:
    Analysis(DescriptorStream& stream, AudioFileInfo& info, CodePage page)
        : m_stream(stream), m_info(info), m_tags(page) {}

    int run(Container container);

private:
    void readFlac();
    void readOgg();
    void readMp4();
    void readAsf();
    void readWav();
    void readAiff();
    void readWavPack();
    void readApe();
    /** WavPack and APE: an APE tag before an ID3v1 tag at the end of the file. */
    template <class File> void readApeTagged(const char* type, const char* magic);

    /** Records the stream when @p file is valid and @p p describes audio. */
    void found(const TagLib::File& file, const TagLib::AudioProperties* p, std::string type,
               std::string header);
    /** Records the stream the plug-in read itself where TagLib found none. */
    void found(const StreamFacts& f, std::string type, std::string header);
    // Each tag that holds a field is named in Tag and read into the fields, in the
    // order of the calls: the format's order of precedence.
    void xiph(const TagLib::Ogg::XiphComment* tag);
    void id3v2(const TagLib::ID3v2::Tag* tag);
    void id3v1(const TagLib::ID3v1::Tag* tag);
    void ape(const TagLib::APE::Tag* tag);
    void write();

    DescriptorStream& m_stream;
    AudioFileInfo& m_info;
    TagCollector m_tags;
    std::vector<std::string> m_kinds; ///< tag names for the Tag field
    bool m_streamFound = false;
    bool m_id3v2Read = false;   ///< the container's reader took an ID3v2 tag at the start
    bool m_id3v2Fields = false; ///< and that tag held fields
    std::string m_type;
    std::string m_header;
    int m_length = 0;
    int m_bitrate = 0;
    int m_sampleRate = 0;
    int m_channels = 0;
};

void Analysis::found(const TagLib::File& file, const TagLib::AudioProperties* p, std::string type,
                     std::string header) {
    if (!file.isValid() || !p || p->sampleRate() <= 0 || p->channels() <= 0)
        return;
    m_streamFound = true;
    m_type = std::move(type);
    m_header = std::move(header);
    m_length = std::max(p->lengthInMilliseconds(), 1);
    m_bitrate = p->bitrate();
    m_sampleRate = p->sampleRate();
    m_channels = p->channels();
}

void Analysis::found(const StreamFacts& f, std::string type, std::string header) {
    if (m_streamFound || f.length <= 0)
        return;
    m_streamFound = true;
    m_type = std::move(type);
    m_header = std::move(header);
    m_length = f.length;
    m_bitrate = f.bitrate;
    m_sampleRate = static_cast<int>(f.rate);
    m_channels = f.channels;
}

void Analysis::xiph(const TagLib::Ogg::XiphComment* tag) {
    if (!tag || tag->isEmpty())
        return;
    m_kinds.push_back("Vorbis");
    m_tags.addProperties(tag->properties());
}

void Analysis::id3v2(const TagLib::ID3v2::Tag* tag) {
    if (!tag || tag->isEmpty())
        return;
    m_kinds.push_back("ID3-2." + std::to_string(tag->header()->majorVersion()));
    m_tags.addId3v2(*tag);
}

void Analysis::id3v1(const TagLib::ID3v1::Tag* tag) {
    if (!tag || tag->isEmpty())
        return;
    m_kinds.push_back("ID3-1.1");
    m_tags.addId3v1(*tag);
}

void Analysis::ape(const TagLib::APE::Tag* tag) {
    if (!tag || tag->isEmpty())
        return;
    const unsigned version = tag->footer()->version() / 1000;
    m_kinds.push_back("APE-" + std::to_string(version));
    m_tags.addProperties(tag->properties());
}

void Analysis::readFlac() {
    TagLib::FLAC::File file(&m_stream, TagLib::ID3v2::FrameFactory::instance(), true, ReadStyle);
    found(file, file.audioProperties(), "FLAC", flacStreamInfo(m_stream));
    if (file.isValid() && file.hasXiphComment()) {
        xiph(file.xiphComment());
    } else {
        // A block whose size field says too little breaks the chain TagLib follows; the
        // blocks' own lengths still lead to the Vorbis comment and the frames.
        const FlacMetadata meta = readFlacMetadata(m_stream);
        const bool id3v1 = readBytes(m_stream, m_stream.length() - 128, 3).is(0, "TAG");
        found(flacStream(meta, m_stream.length() - (id3v1 ? 128 : 0)), "FLAC",
              meta.streamInfo.substr(0, 4));
        if (!meta.vorbisComment.empty()) {
            const TagLib::ByteVector data(meta.vorbisComment.data(),
                                          static_cast<unsigned>(meta.vorbisComment.size()));
            const TagLib::Ogg::XiphComment comment(data);
            xiph(&comment);
        }
    }
    if (file.hasID3v2Tag()) {
        m_id3v2Read = true;
        m_id3v2Fields = file.ID3v2Tag() && !file.ID3v2Tag()->isEmpty();
        id3v2(file.ID3v2Tag());
    }
    if (file.hasID3v1Tag())
        id3v1(file.ID3v1Tag());
}

void Analysis::readOgg() {
    // The codec is told by the first packet, whatever the extension says.
    const TagLib::Ogg::XiphComment* comment = nullptr;
    std::unique_ptr<TagLib::Ogg::File> file;
    if (TagLib::Ogg::Vorbis::File::isSupported(&m_stream)) {
        auto vorbis = std::make_unique<TagLib::Ogg::Vorbis::File>(&m_stream, true, ReadStyle);
        found(*vorbis, vorbis->audioProperties(), "Vorbis", bytes(vorbis->packet(0)));
        comment = vorbis->tag();
        file = std::move(vorbis);
    } else if (TagLib::Ogg::Opus::File::isSupported(&m_stream)) {
        auto opus = std::make_unique<TagLib::Ogg::Opus::File>(&m_stream, true, ReadStyle);
        found(*opus, opus->audioProperties(), "Opus", bytes(opus->packet(0)));
        comment = opus->tag();
        file = std::move(opus);
    } else if (TagLib::Ogg::FLAC::File::isSupported(&m_stream)) {
        auto flac = std::make_unique<TagLib::Ogg::FLAC::File>(&m_stream, true, ReadStyle);
        // The first packet: "\x7FFLAC", version, header count, "fLaC", the STREAMINFO
        // block's header, then STREAMINFO itself, as in a native FLAC file.
        const TagLib::ByteVector first = flac->packet(0);
        found(*flac, flac->audioProperties(), "FLAC", bytes(first.mid(17)));
        if (flac->hasXiphComment())
            comment = flac->tag();
        file = std::move(flac);
    }
    if (file && file->isValid())
        xiph(comment);
}

void Analysis::readMp4() {
    TagLib::MP4::File file(&m_stream, true, ReadStyle);
    const TagLib::MP4::Properties* p = file.audioProperties();
    const std::optional<Mp4Track> track = file.isValid() ? readMp4Track(m_stream) : std::nullopt;
    const Mp4Stream s = track ? mp4Stream(*track) : Mp4Stream{};
    if (p && p->codec() != TagLib::MP4::Properties::Unknown) {
        const bool alac = p->codec() == TagLib::MP4::Properties::ALAC;
        found(file, p, alac ? "ALAC" : "AAC", track ? track->config : std::string());
        // The sample entry of AAC often says two channels whatever the stream holds, and
        // the rate of HE-AAC's core: the decoder configuration tells.
        if (!alac && s.channels > 0)
            m_channels = s.channels;
        if (!alac && s.rate > 0)
            m_sampleRate = static_cast<int>(s.rate);
    } else if (p && track && !s.type.empty() && s.rate > 0 && s.channels > 0) {
        // A codec TagLib does not know: the track's media duration is TagLib's, the rest
        // the decoder configuration's, the bitrate the samples' bytes where it has none.
        StreamFacts f{s.rate, s.channels, std::max(p->lengthInMilliseconds(), 1), s.bitrate};
        if (f.bitrate == 0)
            f.bitrate = static_cast<int>(
                std::lround(static_cast<double>(track->sampleBytes) * 8 / f.length));
        found(f, s.type, s.header);
    }
    if (file.isValid() && file.hasMP4Tag() && !file.tag()->isEmpty()) {
        m_kinds.push_back("MP4");
        m_tags.addMp4(*file.tag());
    }
}

void Analysis::readAsf() {
    if (!asfAttributeCountsFit(m_stream))
        return; // a broken header: no stream
    TagLib::ASF::File file(&m_stream, true, ReadStyle);
    const TagLib::ASF::Properties* p = file.audioProperties();
    if (p) {
        const char* type = "ASF";
        switch (p->codec()) {
        case TagLib::ASF::Properties::WMA1:
        case TagLib::ASF::Properties::WMA2:
            type = "WMA";
            break;
        case TagLib::ASF::Properties::WMA9Pro:
            type = "WMA Pro";
            break;
        case TagLib::ASF::Properties::WMA9Lossless:
            type = "WMA Lossless";
            break;
        case TagLib::ASF::Properties::Unknown:
            break;
        }
        found(file, p, type, asfWaveFormat(m_stream));
    }
    if (file.isValid() && file.tag() && !file.tag()->isEmpty()) {
        m_kinds.push_back("ASF");
        m_tags.addAsf(*file.tag());
    }
}

/** The codec of a WAVE format tag (Microsoft's registered WAVE_FORMAT_ values). */
std::string waveType(unsigned tag) {
    switch (tag) {
    case 0x0001:
        return "PCM";
    case 0x0003:
        return "PCM float";
    case 0x0006:
        return "A-law";
    case 0x0007:
        return "\xC2\xB5-law"; // µ-law
    case 0x0055:
        return "MP3";
    default:
        char text[16];
        std::snprintf(text, sizeof text, "WAV %04X", tag);
        return text;
    }
}

void Analysis::readWav() {
    TagLib::RIFF::WAV::File file(&m_stream, true, ReadStyle);
    const RiffChunks chunks = readRiffChunks(m_stream);
    const std::string type = waveType(waveFormatTag(chunks.format));
    found(file, file.audioProperties(), type, chunks.format);
    // TagLib refuses a file with a chunk of no name, and sizes that a streaming writer left
    // unfilled; the chunks still describe the stream, as players read it.
    found(waveStream(chunks), type, chunks.format);
    if (file.hasID3v2Tag()) {
        id3v2(file.ID3v2Tag());
    } else if (chunks.id3Offset >= 0) {
        RawFile raw(&m_stream);
        const TagLib::ID3v2::Tag tag(&raw, chunks.id3Offset);
        id3v2(&tag);
    }
    if (!chunks.info.empty()) {
        m_kinds.push_back("RIFF-INFO");
        m_tags.addRiffInfo(chunks.info);
    }
}

/** The codec of an AIFF-C compression type (the plain AIFF's is PCM). */
std::string aiffType(const TagLib::RIFF::AIFF::Properties& p) {
    if (!p.isAiffC())
        return "PCM";
    const std::string c = bytes(p.compressionType());
    if (c == "NONE" || c == "none" || c == "sowt" || c == "twos" || c == "raw " || c == "in24" ||
        c == "in32")
        return "PCM";
    if (c == "fl32" || c == "FL32" || c == "fl64" || c == "FL64")
        return "PCM float";
    if (c == "alaw" || c == "ALAW")
        return "A-law";
    if (c == "ulaw" || c == "ULAW")
        return "\xC2\xB5-law";
    std::string printable;
    for (char ch : c)
        if (ch >= 0x20 && ch < 0x7F)
            printable += ch;
    return "AIFF-C " + printable;
}

void Analysis::readAiff() {
    TagLib::RIFF::AIFF::File file(&m_stream, true, ReadStyle);
    if (const TagLib::RIFF::AIFF::Properties* p = file.audioProperties())
        found(file, p, aiffType(*p), aiffCommon(m_stream));
    if (file.isValid() && file.hasID3v2Tag())
        id3v2(file.tag());
}

template <class File> void Analysis::readApeTagged(const char* type, const char* magic) {
    File file(&m_stream, true, ReadStyle);
    found(file, file.audioProperties(), type, streamSignature(m_stream, magic));
    if (!file.isValid())
        return;
    if (file.hasAPETag())
        ape(file.APETag());
    if (file.hasID3v1Tag())
        id3v1(file.ID3v1Tag());
}

void Analysis::readWavPack() {
    readApeTagged<TagLib::WavPack::File>("WavPack", "wvpk");
}

void Analysis::readApe() {
    readApeTagged<TagLib::APE::File>("APE", "MAC ");
}

void Analysis::write() {
    AudioFileInfo& r = m_info;
    if (m_streamFound) {
        r.Length = m_length;
        r.Bitrate = m_bitrate;
        r.Frequency = static_cast<std::uint32_t>(m_sampleRate);
        setText(r.Type, sizeof r.Type, m_type);
        setText(r.Mode, sizeof r.Mode, modeName(m_channels));
        setText(r.Binary, sizeof r.Binary, binaryText(m_header));
    }
    std::string kinds;
    for (const std::string& kind : m_kinds)
        kinds += (kinds.empty() ? "" : ", ") + kind;
    setText(r.Tag, sizeof r.Tag, kinds);
    const SongTags& t = m_tags.tags();
    setText(r.Artist, sizeof r.Artist, t.artist);
    setText(r.Title, sizeof r.Title, t.title);
    setText(r.Album, sizeof r.Album, t.album);
    setText(r.Year, sizeof r.Year, t.year);
    setText(r.Genre, sizeof r.Genre, t.genre);
    setText(r.Comment, sizeof r.Comment, t.comment);
    setText(r.OArtist, sizeof r.OArtist, t.originalArtist);
    setText(r.Composer, sizeof r.Composer, t.composer);
    setText(r.Track, sizeof r.Track, t.track);
}

int Analysis::run(Container container) {
    if (!m_stream.isOpen())
        return TL_AFI_READ_ERROR;
    const Id3v2Probe id3 = probeId3v2(m_stream);
    // The readers, in the order of the Container enumeration.
    constexpr void (Analysis::*Readers[])() = {
        &Analysis::readFlac, &Analysis::readOgg,  &Analysis::readMp4,     &Analysis::readAsf,
        &Analysis::readWav,  &Analysis::readAiff, &Analysis::readWavPack, &Analysis::readApe,
    };
    static_assert(std::size(Readers) == static_cast<std::size_t>(Container::Ape) + 1);
    (this->*Readers[static_cast<std::size_t>(container)])();
    if (m_stream.failed())
        return TL_AFI_READ_ERROR;
    // An ID3v2 tag at the start that this container's reader does not read, or a
    // malformed one from which nothing could be read, is a tag error; it is named, as the
    // mp3 plug-in names a tag it cannot read.
    const bool tagError = (id3.start == Id3v2Start::Valid && !m_id3v2Read) ||
                          (id3.start == Id3v2Start::Malformed && !m_id3v2Fields);
    if (tagError)
        m_kinds.insert(m_kinds.begin(), "ID3-2." + std::to_string(id3.version));
    write();
    if (!m_streamFound)
        return TL_AFI_NO_STREAM;
    return tagError ? TL_AFI_TAG_ERROR : TL_AFI_OK;
}

} // namespace

std::string modeName(int channels) {
    if (channels == 1)
        return "Mono";
    if (channels == 2)
        return "Stereo";
    return std::to_string(channels) + " channels";
}

void setText(char* span, std::size_t spanSize, std::string_view text) {
    text = text.substr(0, std::min(text.find('\0'), text.size()));
    const std::size_t length = tl::mp3::utf8PrefixLength(text, spanSize - 2);
    std::memcpy(span + 1, text.data(), length);
    span[1 + length] = '\0';
}

int analyseStream(DescriptorStream& stream, Container container, AudioFileInfo& info,
                  CodePage page) {
    return Analysis(stream, info, page).run(container);
}

int analyseDescriptor(int fd, Container container, AudioFileInfo& info, CodePage page) {
    if (fd < 0)
        return TL_AFI_NO_HANDLE;
    try {
        DescriptorStream stream(fd);
        return analyseStream(stream, container, info, page);
    } catch (...) {
        // TagLib reports nothing by exceptions; only a failed allocation ends here,
        // before the record was written.
        return TL_AFI_NO_STREAM;
    }
}

} // namespace tl::taglib
