#include "plugins/mp3/Mp3.h"

#include "plugins/mp3/FileSource.h"
#include "plugins/mp3/Id3Fields.h"
#include "plugins/mp3/Id3v2.h"

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <span>

namespace tl::mp3 {
namespace {

// Bitrates in kbit/s by bitrate index, bits 7-4 of the third header byte
// (ISO/IEC 11172-3 2.4.2.3, ISO/IEC 13818-3 2.4.2.3). Index 0 (free format) and 15 are
// not valid. MPEG-2.5 uses the MPEG-2 rows.
constexpr int Bitrates[5][16] = {
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0}, // 1, Layer I
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},    // 1, Layer II
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},     // 1, Layer III
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},    // 2, Layer I
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},         // 2, II and III
};

// Sample rates in Hz by version (MPEG-1, MPEG-2, MPEG-2.5) and sample-rate index, bits
// 3-2 of the third header byte; index 3 is not valid.
constexpr int SampleRates[3][3] = {
    {44100, 48000, 32000},
    {22050, 24000, 16000},
    {11025, 12000, 8000},
};

constexpr const char* ModeNames[4] = {"Stereo", "Joint stereo", "Dual", "Mono"};

using Window = std::array<std::uint8_t, 4>;

std::uint64_t reduced(std::uint64_t value, std::uint64_t by) {
    return value > by ? value - by : 0;
}

/** A playing time in milliseconds as the record's 32-bit field holds it. */
std::int32_t toLength(double ms) {
    if (!(ms < static_cast<double>(std::numeric_limits<std::int32_t>::max())))
        return std::numeric_limits<std::int32_t>::max();
    return ms < 0 ? 0 : static_cast<std::int32_t>(ms);
}

// Length, bit rate and playing time of a frame depend only on the bits VVLL of the second
// header byte and BBBBSSP of the third; the walk looks them up by those 11 bits.
constexpr int StepKeys = 1 << 11;

int stepKey(const std::uint8_t* b) {
    return ((b[1] >> 1) & 0x0F) << 7 | b[2] >> 1;
}

struct StepTables {
    std::array<std::uint16_t, StepKeys> length{}; // 0: not a valid header
    std::array<std::uint16_t, StepKeys> bitrate{};
    std::array<double, StepKeys> duration{};

    StepTables() {
        for (int key = 0; key < StepKeys; ++key) {
            const Window bytes{0xFF, static_cast<std::uint8_t>(0xE0 | (key >> 7) << 1),
                               static_cast<std::uint8_t>((key & 0x7F) << 1), 0};
            if (const std::optional<FrameHeader> h = decodeFrameHeader(bytes)) {
                length[static_cast<std::size_t>(key)] = static_cast<std::uint16_t>(frameLength(*h));
                bitrate[static_cast<std::size_t>(key)] = static_cast<std::uint16_t>(h->bitrate);
                duration[static_cast<std::size_t>(key)] = frameDuration(*h);
            }
        }
    }

    /** The step of the frame whose header starts at @p b; length 0 when not a header. */
    FrameStep at(const std::uint8_t* b) const {
        const auto key = static_cast<std::size_t>(stepKey(b));
        if (b[0] != 0xFF || b[1] < 0xE0 || length[key] == 0)
            return {};
        return {length[key], bitrate[key], duration[key]};
    }
};

const StepTables& stepTables() {
    static const StepTables tables;
    return tables;
}

/** One analysis: the working state of a single call. */
class Analysis {
public:
    Analysis(FileSource& file, AudioFileInfo& info, int options, CodePage page)
        : m_file(file), m_info(info), m_quick((options & TL_AFI_OPTION_QUICK) != 0),
          m_reading((options & TL_AFI_OPTION_MODERN_TAGS) ? TagReading::Modern
                                                          : TagReading::Legacy),
          m_page(page) {}

    int run();

private:
    enum class Step { Ok, ReadError };
    enum class Shift { Ok, End, ReadError };
    /** What lies one frame length after a header. */
    enum class Next { SameStream, OtherStream, NoHeader, FileEnds, ReadError };
    /** Where a search begins: at the start of the audio, or where the frame check broke. */
    enum class From { AudioStart, Break };

    /** Reads up to 4 bytes into the window; bytes not read keep their old value. */
    bool readWindow(std::size_t* got = nullptr) {
        const std::size_t n = m_file.read(m_window.data(), m_window.size());
        if (got)
            *got = n;
        return !m_file.failed();
    }
    Shift shift();
    /** Shifts until the window holds the header a stream starts with: one that the next
     *  frame's header of the same stream confirms, or, right at the start of the audio,
     *  one that no header of another stream contradicts. From a break the search also ends
     *  when the payload count runs out. */
    Shift search(From from);
    /** What follows the header in the window, one frame length further on. */
    Next nextHeader();
    /** Takes the window's header, at @p pos, as the first header of the stream. */
    void takeFirst(std::int64_t pos);
    /** Writes the window's four bytes into Binary. */
    void writeBinary();
    Step readId3v2();
    /** Reads the tag of @p length bytes at the start of the file into the record. */
    Step readTagFields(std::size_t length);
    /** Skips the ID3v2 tags that follow the first one directly. */
    Step skipFollowingTags();
    Step checkFrames();
    Step readId3v1();
    Step walkStream();
    void appendTag(const char* text);

    FileSource& m_file;
    AudioFileInfo& m_info;
    const bool m_quick;
    const TagReading m_reading;
    const CodePage m_page;

    std::uint64_t m_remaining = 0;
    Window m_window{};
    FrameHeader m_first;
    std::int64_t m_firstPos = 0;
    std::int64_t m_streamStart = 0;       ///< where m_first lies
    std::uint64_t m_remainingAtStart = 0; ///< the payload count when m_first was taken
    std::int64_t m_bitrateSum = 0;
    std::int64_t m_headerCount = 0;
    bool m_noStream = false;
    bool m_tagError = false;
    bool m_interrupted = false;
    bool m_variable = false;
    bool m_foundAlone = false; ///< the last search took a first frame that stands alone
    bool m_alone = false;      ///< m_first stands alone: no header of its stream follows
};

Analysis::Shift Analysis::shift() {
    m_window[0] = m_window[1];
    m_window[1] = m_window[2];
    m_window[2] = m_window[3];
    m_remaining = reduced(m_remaining, 1);
    // At the end of the file the last place keeps its byte, which then stands twice.
    if (m_file.read(&m_window[3], 1) == 1)
        return Shift::Ok;
    return m_file.failed() ? Shift::ReadError : Shift::End;
}

Analysis::Shift Analysis::search(From from) {
    for (bool first = true;; first = false) {
        if (decodeFrameHeader(m_window)) {
            // A lone match of four bytes is common in other data (a UTF-16 byte order mark
            // FF FE reads as an MPEG-1 Layer I header, and free-format frames, which have no
            // bitrate to measure, hold such matches anywhere); two headers of one stream a
            // frame apart are not. Only the first frame of the audio may stand alone: the
            // file may end behind it, or junk may follow it (often behind the encoder's
            // info frame), which the frame check then reports as an interruption.
            const Next next = nextHeader();
            if (next == Next::ReadError)
                return Shift::ReadError;
            m_foundAlone = next != Next::SameStream;
            if (!m_foundAlone || (first && from == From::AudioStart &&
                                  (next == Next::FileEnds || next == Next::NoHeader)))
                return Shift::Ok;
        }
        const Shift s = shift();
        if (s != Shift::Ok)
            return s;
        if (from == From::Break && m_remaining == 0)
            return Shift::End;
    }
}

bool sameStream(const FrameHeader& a, const FrameHeader& b) {
    return a.version == b.version && a.layer == b.layer && a.sampleRate == b.sampleRate;
}

Analysis::Next Analysis::nextHeader() {
    const FrameHeader header = *decodeFrameHeader(m_window);
    const std::int64_t back = m_file.position();
    Window next{};
    std::size_t got = 0;
    if (m_file.seekSet(back - 4 + frameLength(header)))
        got = m_file.read(next.data(), next.size());
    if (m_file.failed())
        return Next::ReadError;
    m_file.seekSet(back);
    if (got < next.size())
        return Next::FileEnds;
    const std::optional<FrameHeader> following = decodeFrameHeader(next);
    if (!following)
        return Next::NoHeader;
    return sameStream(header, *following) ? Next::SameStream : Next::OtherStream;
}

void Analysis::appendTag(const char* text) {
    std::string tag(textOf(m_info.Tag, sizeof m_info.Tag));
    if (!tag.empty())
        tag += ", ";
    tag += text;
    setText(m_info.Tag, sizeof m_info.Tag, tag);
}

Analysis::Step Analysis::readId3v2() {
    char tagName[16];
    std::snprintf(tagName, sizeof tagName, "ID3-2.%d", m_window[3]);
    setText(m_info.Tag, sizeof m_info.Tag, tagName);

    std::array<std::byte, 6> rest{};
    const std::size_t got = m_file.read(rest.data(), rest.size());
    if (m_file.failed())
        return Step::ReadError;
    const std::uint64_t size = id3v2TagSize(std::span<const std::byte, 4>(rest.data() + 2, 4));
    const std::int64_t fileSize = m_file.size();
    if (got < rest.size() || fileSize < 0 ||
        size + Id3v2HeaderSize > static_cast<std::uint64_t>(fileSize)) {
        // The tag claims more bytes than the file has: none of it is read, and the
        // stream search starts right after its header.
        m_tagError = true;
        m_remaining = reduced(m_remaining, 20);
        m_file.seekSet(Id3v2HeaderSize);
    } else {
        // The payload loses the tag and 10 bytes more (as many as a footer has).
        m_remaining = reduced(m_remaining, size + 20);
        std::array<std::byte, Id3v2HeaderSize> header{};
        std::memcpy(header.data(), m_window.data(), m_window.size());
        std::memcpy(header.data() + m_window.size(), rest.data(), rest.size());
        const std::size_t length = size + Id3v2HeaderSize;
        if (readTagFields(length) == Step::ReadError)
            return Step::ReadError;
        m_file.seekSet(static_cast<std::int64_t>(length));
        if (m_reading == TagReading::Modern && id3v2FooterSize(header) > 0) {
            std::array<char, Id3v2HeaderSize> bytes{};
            const std::size_t got = m_file.read(bytes.data(), bytes.size());
            if (m_file.failed())
                return Step::ReadError;
            if (got < bytes.size() || std::memcmp(bytes.data(), "3DI", 3) != 0)
                m_file.seekSet(static_cast<std::int64_t>(length)); // no footer after all
        }
        return skipFollowingTags();
    }
    return readWindow() ? Step::Ok : Step::ReadError;
}

Analysis::Step Analysis::readTagFields(std::size_t length) {
    // The tag is no larger than the file, but that may still be more memory than there is:
    // a tag that cannot be held is a tag error, as a broken one is, and the stream behind
    // it is analysed all the same.
    const std::unique_ptr<std::byte[]> memory(new (std::nothrow) std::byte[length]);
    if (!memory) {
        m_tagError = true;
        return Step::Ok;
    }
    const std::span<std::byte> block(memory.get(), length);
    m_file.seekSet(0);
    const std::size_t read = m_file.read(block.data(), block.size());
    if (m_file.failed())
        return Step::ReadError;
    Id3v2Tag tag;
    const Id3Result opened = read < block.size() ? Id3Result::Broken : tag.open(block, m_reading);
    if (opened != Id3Result::Ok)
        m_tagError = true;
    // The modern reading keeps the frames a tag held before its frame list broke off.
    if (opened == Id3Result::Ok ||
        (m_reading == TagReading::Modern && opened == Id3Result::Broken && read == block.size()))
        readId3v2Fields(tag, m_info, m_page);
    return Step::Ok;
}

Analysis::Step Analysis::skipFollowingTags() {
    // A tagger that puts its own tag in front of an older one leaves two tags in a row.
    // The first one is read; the ones behind it are skipped, as they are not audio and
    // their bytes (UTF-16 byte order marks FF FE) could pass for frame headers.
    for (;;) {
        std::size_t got = 0;
        if (!readWindow(&got))
            return Step::ReadError;
        if (got < m_window.size() || std::memcmp(m_window.data(), "ID3", 3) != 0)
            return Step::Ok;
        const std::int64_t start = m_file.position() - 4;
        std::array<std::byte, Id3v2HeaderSize> header{};
        m_file.seekSet(start);
        const std::size_t read = m_file.read(header.data(), header.size());
        if (m_file.failed())
            return Step::ReadError;
        const std::int64_t fileSize = m_file.size();
        std::uint64_t total = 0;
        if (read == header.size() && isId3v2Header(header)) {
            total = Id3v2HeaderSize + id3v2FooterSize(header) +
                    id3v2TagSize(std::span<const std::byte, 4>(header.data() + 6, 4));
        }
        if (total == 0 || fileSize < 0 || total > static_cast<std::uint64_t>(fileSize - start)) {
            m_file.seekSet(start + 4); // not a whole tag: the search looks at these bytes
            return Step::Ok;
        }
        m_remaining = reduced(m_remaining, total);
        m_file.seekSet(start + static_cast<std::int64_t>(total));
    }
}

void Analysis::takeFirst(std::int64_t pos) {
    m_first = *decodeFrameHeader(m_window);
    m_firstPos = pos;
    m_streamStart = pos;
    m_remainingAtStart = m_remaining;
    m_bitrateSum = m_first.bitrate;
    m_headerCount = 1;
    m_variable = false;
    m_alone = m_foundAlone;
    writeBinary();
}

void Analysis::writeBinary() {
    char binary[12];
    std::snprintf(binary, sizeof binary, "%02X%02X%02X%02X", m_window[0], m_window[1], m_window[2],
                  m_window[3]);
    setText(m_info.Binary, sizeof m_info.Binary, binary);
}

Analysis::Step Analysis::checkFrames() {
    FrameHeader current = m_first;
    // The quick estimate averages the headers up to the first change of bitrate; the
    // check itself goes on, so that quick and full analyses find the same stream.
    bool summing = true;
    for (int i = 0; i < 5; ++i) {
        if (!m_file.seekCurrent(frameLength(current) - 4) || !readWindow())
            return Step::ReadError;
        // A header of another stream breaks the chain as junk does: a stream is a run of
        // frames of one kind.
        std::optional<FrameHeader> next = decodeFrameHeader(m_window);
        if (!next || !sameStream(*next, m_first)) {
            if (i >= 3) {
                m_noStream = true;
                return Step::Ok;
            }
            const std::int64_t breakPos = m_file.position() - 4;
            const std::uint64_t remaining = m_remaining;
            if (m_alone) {
                // The first frame had no header of its stream behind it, so it may be a
                // lone match in junk, and the stream may begin inside its bytes: the
                // search goes on from the byte after it.
                m_alone = false;
                if (!m_file.seekSet(m_streamStart + 1) || !readWindow())
                    return Step::ReadError;
            }
            const Shift s = search(From::Break);
            if (s == Shift::ReadError)
                return Step::ReadError;
            if (s == Shift::End) {
                m_noStream = true;
                return Step::Ok;
            }
            const std::int64_t found = m_file.position() - 4;
            next = decodeFrameHeader(m_window);
            if (!sameStream(*next, m_first) || found < breakPos) {
                // Another kind of stream: what the check followed so far was junk before
                // it, not its first frames. The check starts again on the stream found,
                // and the junk leaves the payload as leading junk does.
                const std::uint64_t skipped = static_cast<std::uint64_t>(found - m_streamStart);
                m_remaining = reduced(m_remainingAtStart, skipped);
                takeFirst(found);
                m_interrupted = false;
                current = m_first;
                summing = true;
                i = -1;
                continue;
            }
            // The stream goes on behind junk: an interruption, and the junk is no audio.
            m_interrupted = true;
            m_firstPos = found;
            m_remaining = reduced(remaining, static_cast<std::uint64_t>(found - breakPos));
        }
        current = *next;
        if (summing) {
            m_bitrateSum += current.bitrate;
            ++m_headerCount;
        }
        if (current.bitrate != m_first.bitrate) {
            m_variable = true;
            summing = !m_quick;
        }
    }
    return Step::Ok;
}

Analysis::Step Analysis::readId3v1() {
    if (!m_file.seekEnd(-128))
        return Step::Ok; // shorter than a tag
    std::array<std::byte, 128> tag{};
    m_file.read(tag.data(), tag.size());
    if (m_file.failed())
        return Step::ReadError;
    if (std::memcmp(tag.data(), "TAG", 3) != 0)
        return Step::Ok;
    m_remaining = reduced(m_remaining, 128);
    appendTag("ID3-1.1");
    tl::mp3::readId3v1(tag, m_info, m_page, m_reading);
    return Step::Ok;
}

Analysis::Step Analysis::walkStream() {
    if (!m_file.seekSet(m_firstPos))
        return Step::ReadError;
    const StepTables& tables = stepTables();
    double total = 0;
    std::int64_t sum = 0;
    std::int64_t frames = 0;
    // Every frame is at least 32 bytes long, so the walk moves forward and ends at the
    // end of the file at the latest. Headers are looked at in the read buffer; only the
    // last bytes of the file, where fewer than four remain, go through the window.
    for (;;) {
        const std::int64_t at = m_file.position();
        const std::uint8_t* b = m_file.peek(m_window.size());
        if (b) {
            std::memcpy(m_window.data(), b, m_window.size());
        } else {
            std::size_t got = 0;
            if (!readWindow(&got))
                return Step::ReadError;
            if (got == 0)
                break;
            b = m_window.data();
        }
        const FrameStep step = tables.at(b);
        if (step.length == 0)
            break;
        total += step.duration;
        sum += step.bitrate;
        ++frames;
        if (!m_file.seekSet(at + step.length))
            return Step::ReadError;
    }
    if (frames > 0) {
        m_info.Length = toLength(total);
        m_info.Bitrate = static_cast<std::int32_t>(sum / frames);
    }
    return Step::Ok;
}

int Analysis::run() {
    m_remaining = m_info.fileSize;
    std::size_t got = 0;
    if (!readWindow(&got))
        return TL_AFI_READ_ERROR;

    if (got < m_window.size()) {
        m_noStream = true; // not even one header fits
    } else {
        if (std::memcmp(m_window.data(), "ID3", 3) == 0 && readId3v2() == Step::ReadError)
            return TL_AFI_READ_ERROR;
        const Shift s = search(From::AudioStart);
        if (s == Shift::ReadError)
            return TL_AFI_READ_ERROR;
        m_noStream = s == Shift::End;
    }

    const std::int64_t found = m_file.position() - 4;
    if (m_noStream) {
        // Binary holds whatever the window held when the search gave up.
        m_firstPos = found;
        writeBinary();
    } else {
        takeFirst(found);
        if (checkFrames() == Step::ReadError)
            return TL_AFI_READ_ERROR;
    }
    if (!m_noStream) {
        char type[16];
        std::snprintf(type, sizeof type, "MPG%d/%d", m_first.version == 3 ? 25 : m_first.version,
                      m_first.layer);
        setText(m_info.Type, sizeof m_info.Type, type);
        m_info.Frequency = static_cast<std::uint32_t>(m_first.sampleRate);
        m_info.Bitrate = m_first.bitrate;
        setText(m_info.Mode, sizeof m_info.Mode, modeName(m_first.mode));
    }

    if (readId3v1() == Step::ReadError)
        return TL_AFI_READ_ERROR;

    if (!m_noStream && m_first.bitrate != 0) {
        m_info.Length = toLength(static_cast<double>(m_remaining) * 8.0 / m_first.bitrate + 0.5);
        if (m_variable && m_quick) {
            const std::uint64_t average = static_cast<std::uint64_t>(m_bitrateSum / m_headerCount);
            const std::uint64_t payload =
                std::min(m_remaining, std::numeric_limits<std::uint64_t>::max() / 8);
            m_info.Length = toLength(static_cast<double>(payload * 8 / average));
            m_info.Bitrate = -1;
        } else if (m_variable) {
            if (walkStream() == Step::ReadError)
                return TL_AFI_READ_ERROR;
        }
        if (m_info.Length == 0)
            m_info.Length = 1;
    }

    if (m_noStream)
        return TL_AFI_NO_STREAM;
    if (m_tagError)
        return TL_AFI_TAG_ERROR;
    if (m_interrupted)
        return TL_AFI_INTERRUPTED;
    return TL_AFI_OK;
}

} // namespace

std::optional<FrameHeader> decodeFrameHeader(const std::array<std::uint8_t, 4>& b) {
    // b0: 11111111  b1: 111VVLLP  b2: BBBBSSPX  b3: MMEECOHH
    if (b[0] != 0xFF || b[1] < 0xE0)
        return std::nullopt;
    FrameHeader h;
    switch ((b[1] >> 3) & 3) {
    case 0:
        h.version = 3;
        break;
    case 2:
        h.version = 2;
        break;
    case 3:
        h.version = 1;
        break;
    default:
        return std::nullopt;
    }
    const int layerBits = (b[1] >> 1) & 3;
    if (layerBits == 0)
        return std::nullopt;
    h.layer = static_cast<std::uint8_t>(4 - layerBits);
    h.protection = (b[1] & 1) != 0;
    const int bitrateIndex = b[2] >> 4;
    const int rateIndex = (b[2] >> 2) & 3;
    if (bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3)
        return std::nullopt;
    const int row = h.version == 1 ? h.layer - 1 : (h.layer == 1 ? 3 : 4);
    h.bitrate = Bitrates[row][bitrateIndex];
    h.sampleRate = SampleRates[h.version - 1][rateIndex];
    h.padding = (b[2] & 2) != 0;
    h.privateBit = (b[2] & 1) != 0;
    h.mode = static_cast<std::uint8_t>(b[3] >> 6);
    h.modeExtension = static_cast<std::uint8_t>((b[3] >> 4) & 3);
    h.copyright = (b[3] & 8) != 0;
    h.original = (b[3] & 4) != 0;
    h.emphasis = static_cast<std::uint8_t>(b[3] & 3);
    return h;
}

int samplesPerFrame(const FrameHeader& h) {
    if (h.layer == 1)
        return 384;
    if (h.layer == 2 || h.version == 1)
        return 1152;
    return 576;
}

int frameLength(const FrameHeader& h) {
    if (h.layer == 1)
        return (12000 * h.bitrate / h.sampleRate) * 4 + (h.padding ? 4 : 0);
    return (samplesPerFrame(h) / 8 * 1000) * h.bitrate / h.sampleRate + (h.padding ? 1 : 0);
}

double frameDuration(const FrameHeader& h) {
    return samplesPerFrame(h) * 1000.0 / h.sampleRate;
}

FrameStep frameStep(const std::uint8_t* b) {
    return stepTables().at(b);
}

const char* modeName(int mode) {
    return mode >= 0 && mode < 4 ? ModeNames[mode] : "";
}

int analyseFile(FileSource& file, AudioFileInfo& info, int options, CodePage page) {
    return Analysis(file, info, options, page).run();
}

int analyseDescriptor(int fd, AudioFileInfo& info, int options, CodePage page) {
    if (fd < 0)
        return TL_AFI_NO_HANDLE;
    FileSource file(fd);
    return analyseFile(file, info, options, page);
}

} // namespace tl::mp3
