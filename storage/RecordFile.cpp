#include "storage/RecordFile.h"

#include "storage/InputFile.h"
#include "storage/Utf8.h"

#include <cstring>

namespace tl {
namespace {

constexpr std::size_t StreamBufferSize = 256 * 1024;

void putU16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void putU32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint16_t getU16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t getU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

} // namespace

const char* describe(RecordResult result) {
    switch (result) {
    case RecordResult::Ok:
        return "success";
    case RecordResult::EndOfFile:
        return "end of file";
    case RecordResult::CannotOpen:
        return "the file cannot be opened or created";
    case RecordResult::ReadError:
        return "read error (the file is truncated or unreadable)";
    case RecordResult::WriteError:
        return "write error";
    case RecordResult::NoFields:
        return "no fields defined";
    case RecordResult::BadFormat:
        return "wrong format or incompatible version";
    case RecordResult::OutOfMemory:
        return "out of memory";
    case RecordResult::Interrupted:
        return "interrupted";
    }
    return "unknown result";
}

RecordType RecordType::make(std::string_view tag4, std::uint16_t version, std::uint16_t compat) {
    RecordType t;
    for (std::size_t i = 0; i < 4 && i < tag4.size(); ++i)
        t.tag[i] = tag4[i];
    t.version = version;
    t.compatibility = compat;
    return t;
}

RecordFile::~RecordFile() {
    close();
}

RecordResult RecordFile::create(const std::string& path) {
    if (m_fieldCount == 0)
        return RecordResult::NoFields;
    close();
    m_file = std::fopen(path.c_str(), "wb");
    if (!m_file)
        return RecordResult::CannotOpen;
    useStreamBuffer();
    m_mode = 'c';
    std::uint8_t header[RecordHeaderSize] = {};
    std::memcpy(header, "SiDB", 4);
    putU16(header + 4, 1);
    putU16(header + 6, 1);
    putU16(header + 8, static_cast<std::uint16_t>(m_fieldCount));
    std::memcpy(header + 12, m_type.tag, 4);
    putU16(header + 16, m_type.version);
    putU16(header + 18, m_type.compatibility);
    if (std::fwrite(header, 1, sizeof header, m_file) != sizeof header)
        return RecordResult::WriteError;
    return RecordResult::Ok;
}

void RecordFile::useStreamBuffer() {
    // Not cleared: the stream writes or reads each byte before it is used, and a small
    // file touches only the first pages.
    m_buffer = std::make_unique_for_overwrite<char[]>(StreamBufferSize);
    std::setvbuf(m_file, m_buffer.get(), _IOFBF, StreamBufferSize);
}

RecordResult RecordFile::open(const std::string& path) {
    close();
    // A FIFO or device that carries the name is refused here, like a file that is absent.
    InputFile input = InputFile::open(path);
    if (!input)
        return RecordResult::CannotOpen;
    m_file = ::fdopen(input.fd(), "rb");
    if (!m_file)
        return RecordResult::CannotOpen;
    input.release();
    useStreamBuffer();
    m_mode = 'r';
    std::uint8_t header[RecordHeaderSize];
    if (std::fread(header, 1, sizeof header, m_file) != sizeof header)
        return RecordResult::ReadError;
    if (std::memcmp(header, "SiDB", 4) != 0 || getU16(header + 6) > 1 || getU16(header + 4) < 1 ||
        getU16(header + 10) != 0)
        return RecordResult::BadFormat;
    m_fieldCount = getU16(header + 8);
    std::memcpy(m_type.tag, header + 12, 4);
    m_type.version = getU16(header + 16);
    m_type.compatibility = getU16(header + 18);
    return RecordResult::Ok;
}

RecordResult RecordFile::append(const PackedRecord& record) {
    if (!m_file || m_mode != 'c')
        return RecordResult::CannotOpen;
    if (std::fwrite(record.bytes.data(), 1, record.bytes.size(), m_file) != record.bytes.size())
        return RecordResult::WriteError;
    return RecordResult::Ok;
}

RecordResult RecordFile::readNext(PackedRecord& record) {
    if (!m_file || m_mode != 'r')
        return RecordResult::CannotOpen;
    std::uint8_t lengthWord[4];
    if (std::fread(lengthWord, 1, 4, m_file) != 4)
        return std::feof(m_file) ? RecordResult::EndOfFile : RecordResult::ReadError;
    const std::uint32_t length = getU32(lengthWord);
    // A length that cannot even hold the offset table, or one far beyond any record that
    // is ever written, marks a corrupt file; nothing is allocated from it.
    if (length < 4 + 4ull * m_fieldCount || length > MaxRecordLength)
        return RecordResult::BadFormat;
    std::vector<std::uint8_t> bytes;
    try {
        bytes.resize(length);
    } catch (const std::bad_alloc&) {
        return RecordResult::OutOfMemory;
    }
    std::memcpy(bytes.data(), lengthWord, 4);
    if (std::fread(bytes.data() + 4, 1, length - 4, m_file) != length - 4)
        return RecordResult::ReadError;
    if (!isWellFormedRecord(bytes, m_fieldCount))
        return RecordResult::BadFormat;
    record.bytes = std::move(bytes);
    record.number = m_nextNumber++;
    return RecordResult::Ok;
}

bool RecordFile::atEnd() const {
    // Like the C stream's indicator, the end is only known once a read has met it: the
    // read after the last record reports EndOfFile, which readers use to close their work.
    return !m_file || std::feof(m_file);
}

RecordResult RecordFile::close() {
    RecordResult result = RecordResult::Ok;
    if (m_file) {
        const bool writing = m_mode == 'c';
        const bool failed = writing && (std::fflush(m_file) != 0 || std::ferror(m_file));
        if (std::fclose(m_file) != 0 && writing)
            result = RecordResult::WriteError;
        if (failed)
            result = RecordResult::WriteError;
    }
    m_file = nullptr;
    m_mode = 0;
    m_nextNumber = 0;
    m_buffer.reset();
    return result;
}

PackedRecord RecordFile::pack(const Fields& fields, std::size_t width) const {
    const std::size_t limit = width > 0 ? width - 1 : 0;
    std::size_t area = 0;
    std::vector<std::string_view> texts(m_fieldCount);
    for (std::uint32_t i = 0; i < m_fieldCount; ++i) {
        if (i < fields.size()) {
            std::string_view text = fields[i];
            text = text.substr(0, text.find('\0'));
            texts[i] = utf8Cut(text, limit);
        }
        area += texts[i].size() + 1;
    }
    PackedRecord record;
    const std::size_t length = 4 + 4 * std::size_t{m_fieldCount} + area;
    record.bytes.resize(length);
    std::uint8_t* p = record.bytes.data();
    putU32(p, static_cast<std::uint32_t>(length));
    std::uint8_t* table = p + 4;
    std::uint8_t* strings = table + 4 * std::size_t{m_fieldCount};
    std::size_t offset = 0;
    for (std::uint32_t i = 0; i < m_fieldCount; ++i) {
        putU32(table + 4 * i, static_cast<std::uint32_t>(offset));
        std::memcpy(strings + offset, texts[i].data(), texts[i].size());
        offset += texts[i].size();
        strings[offset++] = 0;
    }
    return record;
}

std::string_view RecordFile::fieldText(const PackedRecord& record, std::uint32_t index) const {
    return packedFieldText(record, m_fieldCount, index);
}

void RecordFile::unpack(const PackedRecord* record, Fields& fields, std::size_t width) const {
    const std::size_t limit = width > 0 ? width - 1 : 0;
    fields.resize(m_fieldCount);
    for (std::uint32_t i = 0; i < m_fieldCount; ++i) {
        if (record)
            fields[i].assign(utf8Cut(fieldText(*record, i), limit));
        else
            fields[i].clear();
    }
}

bool isWellFormedRecord(const std::vector<std::uint8_t>& bytes, std::uint32_t fieldCount) {
    const std::size_t size = bytes.size();
    if (size < 4 || getU32(bytes.data()) != size)
        return false;
    const std::size_t tableEnd = 4 + 4 * std::size_t{fieldCount};
    if (size < tableEnd)
        return false;
    const std::size_t area = size - tableEnd;
    if (fieldCount == 0)
        return true;
    if (area == 0 || bytes[size - 1] != 0)
        return false;
    for (std::uint32_t i = 0; i < fieldCount; ++i)
        if (getU32(bytes.data() + 4 + 4 * i) >= area)
            return false;
    return true;
}

std::string_view packedFieldText(const PackedRecord& record, std::uint32_t fieldCount,
                                 std::uint32_t index) {
    const std::size_t size = record.bytes.size();
    const std::size_t tableEnd = 4 + 4 * std::size_t{fieldCount};
    if (index >= fieldCount || size <= tableEnd)
        return {};
    const std::size_t offset = getU32(record.bytes.data() + 4 + 4 * std::size_t{index});
    if (offset >= size - tableEnd)
        return {};
    const char* start = reinterpret_cast<const char*>(record.bytes.data() + tableEnd + offset);
    const std::size_t available = size - tableEnd - offset;
    return {start, strnlen(start, available)};
}

} // namespace tl
