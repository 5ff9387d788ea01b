#include "report/ReportEngine.h"

#include "locale/Langutils.h"
#include "locale/Profile.h"
#include "storage/FileReplacement.h"
#include "storage/InputFile.h"
#include "storage/SaturatingSum.h"
#include "storage/Text.h"
#include "storage/Utf8.h"

#include <algorithm>
#include <ctime>

namespace tl {
namespace {

// The report is written through a buffer of this size.
constexpr std::size_t OutputBufferSize = 1u << 20;
// A field as a block sees it holds at most this many bytes.
constexpr std::size_t FieldSlotBytes = SongFieldWidth - 1;
// The fields whose group and document slots hold totals, in the order of the totals.
constexpr std::array<int, 3> TotalFields = {Size, Length, Track};

int totalIndex(int field) {
    for (std::size_t i = 0; i < TotalFields.size(); ++i)
        if (TotalFields[i] == field)
            return static_cast<int>(i);
    return -1;
}

// Include and Copy files are read whole; a larger one is refused (as an include or copy
// error) rather than held in memory.
constexpr std::size_t MaxAttachedFileBytes = 256u << 20;

bool writeWholeFile(const std::string& path, std::string_view data) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(data.data(), 1, data.size(), file) == data.size();
    return std::fclose(file) == 0 && written;
}

ReportOutcome failure(ReportStatus status) {
    ReportOutcome outcome;
    outcome.status = status;
    return outcome;
}

} // namespace

std::optional<Message> reportOutcomeMessage(const ReportOutcome& outcome) {
    const auto error = [](const char* key, std::vector<MessageArg> args = {}) {
        return makeMessage("Report", key, Severity::Error, std::move(args));
    };
    const std::vector<MessageArg> where{outcome.detail,
                                        static_cast<std::int64_t>(outcome.position)};
    switch (outcome.status) {
    case ReportStatus::Ok:
        return std::nullopt;
    case ReportStatus::WriteError:
        return error("GenericErr");
    case ReportStatus::IncludeError:
        return error("LinkErr");
    case ReportStatus::CopyError:
        return error("CopyErr");
    case ReportStatus::FieldError:
        return error("FieldErr", where);
    case ReportStatus::EolError:
        return error("EolErr", where);
    case ReportStatus::Cancelled:
        return error("Cancelled");
    case ReportStatus::ExpandError:
        break;
    }
    return error("GenericParseErr", where);
}

std::optional<Message> reportLoadMessage(const ReportLoad& load) {
    switch (load.status) {
    case ReportLoad::Ok:
        return std::nullopt;
    case ReportLoad::NoRecords:
        return makeMessage("Report", "LoadEmpty", Severity::Error);
    case ReportLoad::Failed:
        return makeMessage("General", "UnsupportedFile", Severity::Error, {load.failedPath});
    case ReportLoad::Cancelled:
        break;
    }
    return makeMessage("Report", "Cancelled", Severity::Error);
}

void ReportEngine::reportProgress() const {
    if (m_progress)
        m_progress(m_done);
}

ReportEngine::ReportEngine() = default;

ReportEngine::~ReportEngine() {
    if (m_file)
        std::fclose(m_file);
}

void ReportEngine::setDefaultDrive(std::string root) {
    if (!root.ends_with('/'))
        root += '/';
    m_defaultDrive = std::move(root);
}

ReportLoad ReportEngine::loadRecords(const std::vector<std::string>& paths,
                                     const RecordPredicate* filter) {
    m_table.clear();
    // Digests of this reader's version and older ones; the type tag plays no part.
    m_table.setVersionCheck(1, 0);
    m_table.setFilter(filter);
    m_done = {};
    std::uint64_t earlierFiles = 0; // records read from the files before this one
    std::uint64_t thisFile = 0;
    m_table.setLoadObserver([&](std::uint64_t read) {
        thisFile = read;
        if (read != 0 && read % ProgressStep == 0) {
            m_done.recordsLoaded = earlierFiles + read;
            reportProgress();
        }
        return !stopRequested();
    });
    ReportLoad load;
    for (const std::string& path : paths) {
        thisFile = 0;
        const RecordResult result = m_table.load(path);
        earlierFiles += thisFile;
        if (result != RecordResult::Ok) {
            load.status =
                result == RecordResult::Interrupted ? ReportLoad::Cancelled : ReportLoad::Failed;
            load.failedPath = path;
            load.result = result;
            break;
        }
    }
    m_table.setFilter(nullptr);
    m_table.setLoadObserver(nullptr);
    m_done.recordsLoaded = earlierFiles;
    m_done.recordsTotal = m_table.size();
    reportProgress();
    if (load.status == ReportLoad::Ok && m_table.empty())
        load.status = ReportLoad::NoRecords;
    return load;
}

void ReportEngine::sortRecords(const std::vector<int>& keys, const Collator& collator) {
    m_table.sort(keys, [&collator](std::string_view a, std::string_view b) {
        return collateCompare(collator, a, b);
    });
}

// --- the block context -------------------------------------------------------------------

std::string ReportEngine::field(int index) const {
    if (!m_blockRecord)
        return currentField(index);
    if (index < 0 || index >= FieldCount)
        return {};
    const int total = totalIndex(index);
    if (total >= 0 && m_blockRecord->set)
        return std::to_string(m_blockRecord->totals[static_cast<std::size_t>(total)]);
    return m_blockRecord->fields[static_cast<std::size_t>(index)];
}

std::string ReportEngine::currentField(int index) const {
    if (index < 0)
        return {};
    return std::string(utf8Cut(m_current.field(static_cast<std::uint32_t>(index)), FieldSlotBytes));
}

bool ReportEngine::include(std::string& textSoFar) {
    if (!m_hasInclude)
        return true;
    const bool ok = write(textSoFar) && write(m_includeData);
    textSoFar.clear();
    return ok;
}

// --- the report file ---------------------------------------------------------------------

bool ReportEngine::openReport(const std::string& filePath) {
    m_file = std::fopen(filePath.c_str(), "wb");
    m_out.clear();
    m_out.reserve(OutputBufferSize + 2);
    m_lastWasCr = false;
    m_writeFailed = m_file == nullptr;
    return m_file != nullptr;
}

bool ReportEngine::flush() {
    if (!m_file || m_writeFailed)
        return false;
    if (!m_out.empty() && std::fwrite(m_out.data(), 1, m_out.size(), m_file) != m_out.size())
        m_writeFailed = true;
    m_out.clear();
    return !m_writeFailed;
}

bool ReportEngine::write(std::string_view text) {
    if (m_writeFailed)
        return false;
    // The report is a text file with CR LF line ends: a line feed not already preceded by a
    // carriage return gets one, so included files with either line end come out alike.
    while (!text.empty()) {
        const std::size_t lf = text.find('\n');
        const std::size_t run = lf == std::string_view::npos ? text.size() : lf;
        m_out.insert(m_out.end(), text.data(), text.data() + run);
        if (run > 0)
            m_lastWasCr = text[run - 1] == '\r';
        if (lf != std::string_view::npos) {
            if (!m_lastWasCr)
                m_out.push_back('\r');
            m_out.push_back('\n');
            m_lastWasCr = false;
            text.remove_prefix(lf + 1);
        } else {
            text = {};
        }
        if (m_out.size() >= OutputBufferSize && !flush())
            return false;
    }
    return true;
}

bool ReportEngine::closeReport() {
    if (!m_file)
        return false;
    const bool flushed = flush();
    const bool closed = std::fclose(m_file) == 0;
    m_file = nullptr;
    return flushed && closed;
}

// --- generation ----------------------------------------------------------------------------

ReportOutcome ReportEngine::writeBlock(const ReportTemplate& tpl, BlockKind kind) {
    const TemplateBlock& block = tpl.block(kind);
    if (block.empty())
        return {};
    switch (kind) {
    case BlockKind::DocumentStart:
    case BlockKind::DocumentEnd:
        m_blockRecord = &m_document;
        break;
    case BlockKind::GroupStart:
    case BlockKind::GroupEnd:
        m_blockRecord = &m_group;
        break;
    case BlockKind::Item:
        m_blockRecord = nullptr;
        break;
    }
    const ExpandResult expanded = block.expand(*this, tpl.cellOptions(), m_block);
    if (!expanded.ok()) {
        ReportOutcome outcome;
        switch (expanded.status) {
        case ExpandStatus::FieldError:
            outcome.status = ReportStatus::FieldError;
            break;
        case ExpandStatus::EolError:
            outcome.status = ReportStatus::EolError;
            break;
        case ExpandStatus::IncludeFailed:
            return failure(ReportStatus::WriteError);
        default:
            outcome.status = ReportStatus::ExpandError;
            break;
        }
        outcome.detail = expanded.detail;
        outcome.position = expanded.position;
        return outcome;
    }
    if (!write(m_block))
        return failure(ReportStatus::WriteError);
    return {};
}

ReportOutcome ReportEngine::readInclude(const ReportTemplate& tpl) {
    m_hasInclude = !tpl.include.empty();
    if (!m_hasInclude)
        return {};
    const ReadFailure read =
        readWholeFile(tpl.pathOf(tpl.include), MaxAttachedFileBytes, m_includeData);
    if (read != ReadFailure::None) {
        m_hasInclude = false;
        return failure(read == ReadFailure::NoMemory ? ReportStatus::WriteError
                                                     : ReportStatus::IncludeError);
    }
    return {};
}

ReportOutcome ReportEngine::copyFiles(const ReportTemplate& tpl) {
    if (tpl.copy.empty())
        return {};
    const std::string reportDir(directoryOf(m_reportPath));
    std::string data;
    for (const std::string& name : tpl.copy) {
        // A shared template must not be able to write outside the report's folder.
        if (!isSafeCopyName(name))
            return failure(ReportStatus::CopyError);
        const ReadFailure read = readWholeFile(tpl.pathOf(name), MaxAttachedFileBytes, data);
        if (read != ReadFailure::None)
            return failure(read == ReadFailure::NoMemory ? ReportStatus::WriteError
                                                         : ReportStatus::CopyError);
        if (!writeWholeFile(reportDir + name, data))
            return failure(ReportStatus::CopyError);
    }
    return {};
}

void ReportEngine::startTotals(TotalRecord& record) const {
    for (int i = 0; i < FieldCount; ++i)
        record.fields[static_cast<std::size_t>(i)] = currentField(i);
    record.totals = {};
    record.set = true;
}

// Groups are runs of records whose group fields equal those of the run's first record, each
// field as a block sees it (cut to its slot) and compared ignoring the case of a-z only.
// Counted once before writing; writing then begins a group where the count says.
bool ReportEngine::countGroups(const std::vector<int>& groupBy) {
    m_groupSizes.clear();
    m_largestGroup = 0;
    RecordView first;
    for (std::size_t k = 0; k < m_table.size(); ++k) {
        if (k % ProgressStep == 0 && stopRequested())
            return false;
        const RecordView record = m_table.at(k);
        bool same = k != 0;
        for (std::size_t i = 0; same && i < groupBy.size(); ++i) {
            const auto f = static_cast<std::uint32_t>(groupBy[i]);
            same = equalsIgnoringAsciiCase(utf8Cut(record.field(f), FieldSlotBytes),
                                           utf8Cut(first.field(f), FieldSlotBytes));
        }
        if (same) {
            ++m_groupSizes.back();
        } else {
            first = record;
            m_groupSizes.push_back(1);
        }
    }
    for (const std::size_t size : m_groupSizes)
        m_largestGroup = std::max(m_largestGroup, size);
    return true;
}

void ReportEngine::startGroupCounters() {
    const std::size_t size = m_groupSizes[static_cast<std::size_t>(m_counters.groupNumber - 1)];
    m_nextGroupStart += size;
    m_counters.groupRecords = static_cast<std::int64_t>(size);
    m_counters.groupShare = groupSharePercent(static_cast<std::int64_t>(size),
                                              static_cast<std::int64_t>(m_largestGroup));
}

void ReportEngine::addTotals() {
    for (std::size_t i = 0; i < TotalFields.size(); ++i) {
        // Sizes of whole volumes pass 2 GiB, so the values are read and summed in 64 bits;
        // a text that does not start with a number adds 0, and "3/12" adds 3.
        const std::int64_t value =
            readDecimal(m_current.field(static_cast<std::uint32_t>(TotalFields[i]))).value_or(0);
        addSaturating(m_group.totals[i], value);
        addSaturating(m_document.totals[i], value);
    }
}

ReportOutcome ReportEngine::generate(const ReportTemplate& tpl, const std::string& reportPath) {
    m_reportPath = reportPath;
    // Until commit() the report lives under a temporary name beside its final one; any
    // other way out of here removes it and leaves an earlier report of that name alone.
    FileReplacement replacement(reportPath);
    if (!openReport(replacement.tempPath()))
        return failure(ReportStatus::WriteError);
    auto finish = [this, &replacement](ReportOutcome outcome) {
        const bool closed = closeReport();
        if (outcome.ok() && !closed)
            outcome.status = ReportStatus::WriteError;
        if (outcome.ok() && !replacement.commit())
            outcome.status = ReportStatus::WriteError;
        m_done.recordsWritten = static_cast<std::uint64_t>(std::max(m_counters.itemCount, 0));
        reportProgress();
        return outcome;
    };

    m_counters = {};
    m_document = {};
    m_group = {};
    m_current = RecordView();
    m_nextGroupStart = 0;
    m_done.recordsTotal = m_table.size();
    m_done.recordsWritten = 0;
    if (ReportOutcome o = readInclude(tpl); !o.ok())
        return finish(o);
    if (ReportOutcome o = copyFiles(tpl); !o.ok())
        return finish(o);
    m_drives = takeDriveTable(m_volumeSource ? m_volumeSource() : std::vector<MountedVolume>{});
    m_today = localToday();
    if (!countGroups(tpl.groupBy))
        return finish(failure(ReportStatus::Cancelled));

    if (ReportOutcome o = writeBlock(tpl, BlockKind::DocumentStart); !o.ok())
        return finish(o);
    for (std::size_t k = 0; k < m_table.size(); ++k) {
        if (k != 0 && k % ProgressStep == 0) {
            m_done.recordsWritten = k;
            reportProgress();
        }
        if (stopRequested())
            return finish(failure(ReportStatus::Cancelled));
        m_current = m_table.at(k);
        if (k == 0)
            startTotals(m_document);
        const bool newGroup = k == m_nextGroupStart;
        if (newGroup && k != 0) {
            if (ReportOutcome o = writeBlock(tpl, BlockKind::GroupEnd); !o.ok())
                return finish(o);
            m_counters.groupItem = 0;
        }
        if (newGroup) {
            ++m_counters.groupNumber;
            startGroupCounters();
            startTotals(m_group);
            if (ReportOutcome o = writeBlock(tpl, BlockKind::GroupStart); !o.ok())
                return finish(o);
        }
        ++m_counters.groupItem;
        ++m_counters.reportItem;
        if (ReportOutcome o = writeBlock(tpl, BlockKind::Item); !o.ok())
            return finish(o);
        addTotals();
        ++m_counters.itemCount;
    }
    if (ReportOutcome o = writeBlock(tpl, BlockKind::GroupEnd); !o.ok())
        return finish(o);
    if (ReportOutcome o = writeBlock(tpl, BlockKind::DocumentEnd); !o.ok())
        return finish(o);
    return finish({});
}

} // namespace tl
