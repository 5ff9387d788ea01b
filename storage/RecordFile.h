#pragma once
/**
 * @file RecordFile.h
 * The container shared by every catalogue file: a 24-byte header that starts with "SiDB"
 * and names the file's type, then length-prefixed records of NUL-terminated text fields.
 *
 * Header (little-endian): magic "SiDB", container version (u16) = 1, container
 * compatibility (u16) = 1, field count (u16), reserved (u16) = 0, type tag (4 bytes),
 * type version (u16), type compatibility (u16), reserved (u32).
 *
 * Record: length L (u32, counting itself), then field-count offsets (u32, relative to the
 * string area), then the string area holding every field's text and a NUL, in index order.
 */
#include "storage/Fieldnames.h"
#include "storage/RecordResult.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tl {

/** Size of the file header. */
inline constexpr std::size_t RecordHeaderSize = 24;
/** A record longer than this is refused as corrupt: far above anything the program
 *  writes (24 fields of 1023 bytes take 24.7 KiB). */
inline constexpr std::uint32_t MaxRecordLength = 16u << 20;

/** One record as it lies in the file, with its position in the file it was read from. */
struct PackedRecord {
    std::uint32_t number = 0;        ///< 0 for the first record after opening; not stored
    std::vector<std::uint8_t> bytes; ///< the length word and everything after it

    std::uint32_t length() const { return static_cast<std::uint32_t>(bytes.size()); }
};

/** The type-specific part of the header. */
struct RecordType {
    char tag[4] = {0, 0, 0, 0};
    std::uint16_t version = 0;
    std::uint16_t compatibility = 0;

    std::string_view tagText() const { return {tag, 4}; }
    static RecordType make(std::string_view tag4, std::uint16_t version, std::uint16_t compat);
};

/** One catalogue file, created and appended to, or read sequentially from the start. */
class RecordFile {
public:
    RecordFile() = default;
    explicit RecordFile(std::uint32_t fieldCount) : m_fieldCount(fieldCount) {}
    virtual ~RecordFile();
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;

    std::uint32_t fieldCount() const { return m_fieldCount; }
    void setFieldCount(std::uint32_t count) { m_fieldCount = count; }

    /** The file's type: set before create(), read after open(). */
    const RecordType& type() const { return m_type; }
    void setType(const RecordType& type) { m_type = type; }

    /** Creates @p path, replacing any file there, and writes the header.
     *  NoFields when the field count is 0 (no file is created), CannotOpen, WriteError. */
    RecordResult create(const std::string& path);
    /** Opens @p path for reading and checks the header: CannotOpen (also for anything but a
     *  regular file), ReadError (fewer than 24 bytes), BadFormat (magic, container version
     *  or compatibility, reserved word). */
    RecordResult open(const std::string& path);
    /** Appends one record to a file being created. */
    RecordResult append(const PackedRecord& record);
    /** Reads the next record: EndOfFile at a clean end, ReadError for a truncated record,
     *  BadFormat for a record whose length or offsets do not fit its bytes. */
    RecordResult readNext(PackedRecord& record);
    /** True when no file is open or the end of the file has been reached. */
    bool atEnd() const;
    /** Closes the file. For a file being created, WriteError when the last buffered bytes
     *  could not be written. */
    RecordResult close();
    bool isOpen() const { return m_file != nullptr; }

    /** Packs @p fields, each cut to @p width - 1 bytes at a character boundary. Fields
     *  beyond the field count are ignored; missing ones are empty. */
    virtual PackedRecord pack(const Fields& fields, std::size_t width) const;
    /** Text of field @p index of @p record (empty for an index outside the record). */
    virtual std::string_view fieldText(const PackedRecord& record, std::uint32_t index) const;
    /** Unpacks @p record (or empty fields for none) into field-count slots, each cut to
     *  @p width - 1 bytes at a character boundary. */
    virtual void unpack(const PackedRecord* record, Fields& fields, std::size_t width) const;

private:
    void useStreamBuffer();

    std::uint32_t m_fieldCount = 0;
    std::uint32_t m_nextNumber = 0;
    RecordType m_type;
    std::FILE* m_file = nullptr;
    char m_mode = 0;                  // 'c' creating, 'r' reading
    std::unique_ptr<char[]> m_buffer; // the stream's buffer while a file is open
};

/** Checks that @p bytes form a well-made record of @p fieldCount fields: a length word
 *  equal to the size, an offset table that fits, offsets inside the string area and a
 *  NUL-terminated last field. */
bool isWellFormedRecord(const std::vector<std::uint8_t>& bytes, std::uint32_t fieldCount);

/** Text of field @p index in a record of @p fieldCount fields, without checks beyond
 *  staying inside @p record. */
std::string_view packedFieldText(const PackedRecord& record, std::uint32_t fieldCount,
                                 std::uint32_t index);

} // namespace tl
