#pragma once
/**
 * @file RecordTable.h
 * The in-memory table that reports read: the records of one or more catalogue files,
 * loaded through an optional filter, sorted by a list of key fields, read by position.
 *
 * Records are kept compactly: every record lies in a large shared block of memory in its
 * packed form (record number, field count, then the bytes as the file holds them), and the
 * table is an array of pointers into those blocks. Sorting reorders the pointers only.
 */
#include "storage/RecordFile.h"
#include "storage/RecordResult.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tl {

/** A read-only view of one record of a RecordTable. */
class RecordView {
public:
    RecordView() = default;
    explicit RecordView(const std::uint8_t* data) : m_data(data) {}

    /** Position of the record in the file it was read from (0 for the first). */
    std::uint32_t number() const;
    /** Number of fields the record carries (its file's field count). */
    std::uint32_t fieldCount() const;
    /** Text of field @p index; empty for a field the record does not carry. */
    std::string_view field(std::uint32_t index) const;
    bool isNull() const { return m_data == nullptr; }

private:
    const std::uint8_t* m_data = nullptr;
};

/** Decides whether a record read from a file enters the table. */
class RecordPredicate {
public:
    virtual ~RecordPredicate() = default;
    virtual bool passes(const RecordView& record) const = 0;
};

/** Told the number of records read so far from the file being loaded, after each record;
 *  false stops the loading (load() then gives Interrupted). */
using LoadObserver = std::function<bool(std::uint64_t recordsRead)>;

/** Compares two field texts: negative, zero or positive. */
using FieldCompare = std::function<int(std::string_view, std::string_view)>;

/** Records of possibly several files, filtered while loading, sorted once, read by position. */
class RecordTable {
public:
    RecordTable();
    ~RecordTable();
    RecordTable(const RecordTable&) = delete;
    RecordTable& operator=(const RecordTable&) = delete;

    /** Version checks applied by load(): a file is refused with BadFormat when @p accepted is
     *  below the file's type compatibility or the file's type version is below @p minimum.
     *  An accepted version of 0 turns the checks off (the default). */
    void setVersionCheck(std::uint32_t accepted, std::uint32_t minimum);

    /** The filter applied while loading; nullptr lets every record in. Not owned. */
    void setFilter(const RecordPredicate* filter) { m_filter = filter; }
    /** Watches the loading record by record (none by default). */
    void setLoadObserver(LoadObserver observer) { m_observer = std::move(observer); }

    /** Appends the records of @p path that pass the filter. The table is not cleared, so
     *  several files accumulate. Returns the file's open result, BadFormat for a refused
     *  version, the first read failure (ReadError for a truncated record, BadFormat for a
     *  corrupt one, OutOfMemory), or Interrupted when the load observer said stop; the
     *  complete records read before a failure stay. */
    RecordResult load(const std::string& path);

    /** Adds one record directly (used by tests and tools that build tables in memory). */
    RecordResult add(std::uint32_t number, const Fields& fields);

    /** Number of records. */
    std::size_t size() const { return m_records.size(); }
    bool empty() const { return m_records.empty(); }
    /** The record at @p position (a null view outside the table). */
    RecordView at(std::size_t position) const;
    /** Field count of the last file loaded (0 before any). */
    std::uint32_t fieldCount() const { return m_fieldCount; }

    /** Sorts ascending by @p keys (field indices, most significant first), each pair of
     *  field texts compared with @p compare; the first non-zero result decides. Records
     *  equal on every key keep their loading order. */
    void sort(const std::vector<int>& keys, const FieldCompare& compare);

    /** Frees every record. */
    void clear();

    /** Bytes held for records (blocks and pointer array), for the curious and the tests. */
    std::size_t memoryUsed() const;

private:
    std::uint8_t* allocate(std::size_t bytes);

    std::vector<std::unique_ptr<std::uint8_t[]>> m_blocks;
    std::size_t m_blockUsed = 0;
    std::size_t m_blockSize = 0;
    std::size_t m_blockBytes = 0;
    std::vector<const std::uint8_t*> m_records;
    std::uint32_t m_fieldCount = 0;
    std::uint32_t m_acceptedVersion = 0;
    std::uint32_t m_minimumVersion = 0;
    const RecordPredicate* m_filter = nullptr;
    LoadObserver m_observer;
};

} // namespace tl
