#include "storage/RecordTable.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <unordered_map>

namespace tl {
namespace {

// Every record in a block: number (u32), field count (u32), then the record's bytes as
// the file holds them (length word, offset table, string area).
constexpr std::size_t EntryHeader = 8;
// Records are packed into blocks of this size; a larger record gets a block of its own.
constexpr std::size_t BlockSize = 4u << 20;

std::uint32_t readU32(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

void writeU32(std::uint8_t* p, std::uint32_t v) {
    std::memcpy(p, &v, 4);
}

} // namespace

std::uint32_t RecordView::number() const {
    return m_data ? readU32(m_data) : 0;
}

std::uint32_t RecordView::fieldCount() const {
    return m_data ? readU32(m_data + 4) : 0;
}

std::string_view RecordView::field(std::uint32_t index) const {
    if (!m_data)
        return {};
    const std::uint32_t count = readU32(m_data + 4);
    if (index >= count)
        return {};
    // Records are checked when they enter the table: every offset lies inside the string
    // area and the area ends in a NUL, so the text ends before the record does.
    const std::uint8_t* table = m_data + EntryHeader + 4;
    const char* area = reinterpret_cast<const char*>(table + 4 * std::size_t{count});
    return std::string_view(area + readU32(table + 4 * std::size_t{index}));
}

RecordTable::RecordTable() = default;
RecordTable::~RecordTable() = default;

void RecordTable::setVersionCheck(std::uint32_t accepted, std::uint32_t minimum) {
    m_acceptedVersion = accepted;
    m_minimumVersion = minimum;
}

std::uint8_t* RecordTable::allocate(std::size_t bytes) {
    // Entries start at 4-byte boundaries so that a block stays tidy; reads use memcpy anyway.
    bytes = (bytes + 3) & ~std::size_t{3};
    if (m_blocks.empty() || m_blockSize - m_blockUsed < bytes) {
        const std::size_t size = std::max(bytes, BlockSize);
        std::unique_ptr<std::uint8_t[]> block(new (std::nothrow) std::uint8_t[size]);
        if (!block)
            return nullptr;
        m_blocks.push_back(std::move(block));
        m_blockSize = size;
        m_blockUsed = 0;
        m_blockBytes += size;
    }
    std::uint8_t* p = m_blocks.back().get() + m_blockUsed;
    m_blockUsed += bytes;
    return p;
}

RecordResult RecordTable::add(std::uint32_t number, const Fields& fields) {
    RecordFile packer(static_cast<std::uint32_t>(fields.size()));
    const PackedRecord packed = packer.pack(fields, SongFieldWidth);
    std::uint8_t* entry = allocate(EntryHeader + packed.bytes.size());
    if (!entry)
        return RecordResult::OutOfMemory;
    writeU32(entry, number);
    writeU32(entry + 4, static_cast<std::uint32_t>(fields.size()));
    std::memcpy(entry + EntryHeader, packed.bytes.data(), packed.bytes.size());
    try {
        m_records.push_back(entry);
    } catch (const std::bad_alloc&) {
        return RecordResult::OutOfMemory;
    }
    return RecordResult::Ok;
}

RecordResult RecordTable::load(const std::string& path) {
    RecordFile file;
    const RecordResult opened = file.open(path);
    if (opened != RecordResult::Ok)
        return opened; // the file object closes what it opened
    if (m_acceptedVersion != 0 &&
        (m_acceptedVersion < file.type().compatibility || file.type().version < m_minimumVersion))
        return RecordResult::BadFormat;
    m_fieldCount = file.fieldCount();

    PackedRecord record;
    for (std::uint64_t read = 0;; ++read) {
        if (m_observer && !m_observer(read))
            return RecordResult::Interrupted;
        const RecordResult result = file.readNext(record);
        if (result == RecordResult::EndOfFile)
            return RecordResult::Ok;
        if (result != RecordResult::Ok)
            return result;
        const std::size_t length = record.bytes.size();
        // The record goes straight into the table's block, where the filter reads it; a
        // record the filter refuses gives its place back.
        const std::size_t usedBefore = m_blockUsed;
        const std::size_t blocksBefore = m_blocks.size();
        std::uint8_t* entry = allocate(EntryHeader + length);
        if (!entry)
            return RecordResult::OutOfMemory;
        writeU32(entry, record.number);
        writeU32(entry + 4, m_fieldCount);
        std::memcpy(entry + EntryHeader, record.bytes.data(), length);
        if (m_filter && !m_filter->passes(RecordView(entry))) {
            m_blockUsed = m_blocks.size() == blocksBefore ? usedBefore : 0;
            continue;
        }
        try {
            m_records.push_back(entry);
        } catch (const std::bad_alloc&) {
            return RecordResult::OutOfMemory;
        }
    }
}

RecordView RecordTable::at(std::size_t position) const {
    return position < m_records.size() ? RecordView(m_records[position]) : RecordView();
}

void RecordTable::sort(const std::vector<int>& keys, const FieldCompare& compare) {
    std::vector<std::uint32_t> fields;
    for (int key : keys)
        if (key >= 0)
            fields.push_back(static_cast<std::uint32_t>(key));
    const std::size_t count = m_records.size();
    if (fields.empty() || count < 2)
        return;

    // The first key decides most comparisons. Its distinct texts are ordered once, and each
    // record gets the rank of its text, so that sorting the records compares integers and
    // touches the records' bytes only where first keys are equal.
    std::vector<std::uint32_t> rankOf(count);
    {
        std::vector<std::string_view> distinct;
        {
            std::unordered_map<std::string_view, std::uint32_t> ids;
            for (std::size_t i = 0; i < count; ++i) {
                const std::string_view text = RecordView(m_records[i]).field(fields[0]);
                const auto [it, added] =
                    ids.try_emplace(text, static_cast<std::uint32_t>(distinct.size()));
                if (added)
                    distinct.push_back(text);
                rankOf[i] = it->second;
            }
        }
        std::vector<std::uint32_t> order(distinct.size());
        for (std::uint32_t i = 0; i < order.size(); ++i)
            order[i] = i;
        std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
            return compare(distinct[a], distinct[b]) < 0;
        });
        // Texts that compare equal (differing only in case, say) share a rank.
        std::vector<std::uint32_t> rank(distinct.size());
        std::uint32_t r = 0;
        for (std::size_t j = 0; j < order.size(); ++j) {
            if (j > 0 && compare(distinct[order[j - 1]], distinct[order[j]]) != 0)
                ++r;
            rank[order[j]] = r;
        }
        for (std::uint32_t& id : rankOf)
            id = rank[id];
    }

    struct Entry {
        std::uint32_t rank;
        std::uint32_t index;
    };
    std::vector<Entry> entries(count);
    for (std::size_t i = 0; i < count; ++i)
        entries[i] = {rankOf[i], static_cast<std::uint32_t>(i)};
    rankOf = {};
    // Stable merge sorts throughout: they keep the loading order of equal records, and they
    // stay within the array even if a comparison were not a strict weak order.
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.rank < b.rank; });

    // Runs of equal first keys are ordered by the other keys. The key texts of a run are
    // looked up once per record, since the records of a run lie anywhere in memory.
    const std::size_t more = fields.size() - 1;
    std::vector<std::string_view> texts;
    std::vector<std::uint32_t> order;
    std::vector<Entry> run;
    for (std::size_t begin = 0; more > 0 && begin < count;) {
        std::size_t end = begin + 1;
        while (end < count && entries[end].rank == entries[begin].rank)
            ++end;
        const std::size_t n = end - begin;
        if (n > 1) {
            texts.resize(n * more);
            order.resize(n);
            for (std::size_t i = 0; i < n; ++i) {
                const RecordView record(m_records[entries[begin + i].index]);
                for (std::size_t k = 0; k < more; ++k)
                    texts[i * more + k] = record.field(fields[k + 1]);
                order[i] = static_cast<std::uint32_t>(i);
            }
            std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
                for (std::size_t k = 0; k < more; ++k) {
                    const int c = compare(texts[a * more + k], texts[b * more + k]);
                    if (c != 0)
                        return c < 0;
                }
                return false;
            });
            run.assign(entries.begin() + static_cast<std::ptrdiff_t>(begin),
                       entries.begin() + static_cast<std::ptrdiff_t>(end));
            for (std::size_t i = 0; i < n; ++i)
                entries[begin + i] = run[order[i]];
        }
        begin = end;
    }

    std::vector<const std::uint8_t*> sorted(count);
    for (std::size_t i = 0; i < count; ++i)
        sorted[i] = m_records[entries[i].index];
    m_records = std::move(sorted);
}

void RecordTable::clear() {
    m_records.clear();
    m_records.shrink_to_fit();
    m_blocks.clear();
    m_blockUsed = m_blockSize = m_blockBytes = 0;
    m_fieldCount = 0;
}

std::size_t RecordTable::memoryUsed() const {
    return m_blockBytes + m_records.capacity() * sizeof(m_records[0]);
}

} // namespace tl
