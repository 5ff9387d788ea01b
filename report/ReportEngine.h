#pragma once
/**
 * @file ReportEngine.h
 * The report generator: loads album digests into a record table (through a filter when
 * searching), sorts them by the template's sort keys and writes the template's blocks:
 * the document start, then for every run of records with equal group keys a group
 * start, the items and a group end, and finally the document end.
 *
 * Group and document blocks see totals of Size, Length and Track: 0 in a group start,
 * the group's sums in its group end, the report's sums in the document end. The groups are
 * counted before anything is written, so every block of a group knows how many records it
 * has and how that compares with the largest group ("%c", "%p").
 */
#include "locale/Message.h"
#include "platform/Volumes.h"
#include "report/ReportTemplate.h"
#include "storage/RecordTable.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tl {

class Collator;

/** Outcome of loading the records of a report. */
struct ReportLoad {
    enum Status { Ok = 0, NoRecords = 1, Failed = 2, Cancelled = 3 };
    Status status = Ok;
    std::string failedPath;                 ///< the file that failed (Failed)
    RecordResult result = RecordResult::Ok; ///< why it failed (Failed)
};

/** Results of a generation; each maps to one message of the front ends. */
enum class ReportStatus : int {
    Ok = 0,
    WriteError = 1,   ///< report file not created or not written, no memory for a file
    IncludeError = 2, ///< the include file cannot be opened or read
    CopyError = 3,    ///< a copy cannot be read or written, or would land outside the folder
    FieldError = 4,   ///< a placeholder is wrong (detail, position)
    EolError = 5,     ///< a placeholder is not closed (detail, position)
    ExpandError = 6,  ///< any other expansion failure (detail, position)
    Cancelled = 7     ///< the owner asked the generation to stop
};

/** Outcome of a generation. */
struct ReportOutcome {
    ReportStatus status = ReportStatus::Ok;
    std::string detail;
    std::size_t position = 0;

    bool ok() const { return status == ReportStatus::Ok; }
};

/** The message that tells the user about a failed generation (none for Ok). */
std::optional<Message> reportOutcomeMessage(const ReportOutcome& outcome);

/** The message that tells the user about a failed loading (none for Ok): the path of a file
 *  that failed, or that there is nothing to report. */
std::optional<Message> reportLoadMessage(const ReportLoad& load);

/** How far a report has come. */
struct ReportProgress {
    std::uint64_t recordsLoaded = 0;  ///< records read from the digests (before the filter)
    std::uint64_t recordsWritten = 0; ///< items written to the report
    std::uint64_t recordsTotal = 0;   ///< items the report will have, once loaded
};

/** The generator: one per front end, reused from report to report. */
class ReportEngine : private BlockContext {
public:
    /** Gives the mounted volumes at the start of every generation. */
    using VolumeSource = std::function<std::vector<MountedVolume>()>;

    ReportEngine();
    ~ReportEngine() override;
    ReportEngine(const ReportEngine&) = delete;
    ReportEngine& operator=(const ReportEngine&) = delete;

    /** The text a "VAR" placeholder writes for a value that does not fit. */
    void setVariousText(std::string text) { m_various = std::move(text); }
    /** Root written by "%d" for a volume that is not mounted: a mount point path ("/" is
     *  added when it does not end in one). */
    void setDefaultDrive(std::string root);
    /** Where the drive table comes from; without a source no volume counts as mounted. */
    void setVolumeSource(VolumeSource source) { m_volumeSource = std::move(source); }
    /** A flag that loading and generation look at between records; once it is set they end
     *  (loading with ReportLoad::Cancelled, generation with ReportStatus::Cancelled). Not
     *  owned; none by default. */
    void setStopFlag(const std::atomic<bool>* stop) { m_stop = stop; }
    /** Told the progress every ProgressStep records while loading and writing, and at the
     *  end of each. */
    void setProgress(std::function<void(const ReportProgress&)> progress) {
        m_progress = std::move(progress);
    }
    static constexpr std::uint64_t ProgressStep = 4096;

    /** Empties the table and loads every file of @p paths in order through @p filter (none:
     *  every record). Files whose header asks for a reader above version 1 are refused.
     *  The first file that fails stops the loading. */
    ReportLoad loadRecords(const std::vector<std::string>& paths, const RecordPredicate* filter);

    /** Sorts the records ascending by @p keys, each pair of texts compared with
     *  collateCompare under @p collator. */
    void sortRecords(const std::vector<int>& keys, const Collator& collator);

    /** Writes the report of the loaded, sorted records to @p reportPath with @p tpl. The
     *  report is written under a temporary name in its folder and takes its name only when
     *  complete: after a failure or a stop no new file is left and an earlier report of that
     *  name is as it was. Files copied next to it before a failure stay. */
    ReportOutcome generate(const ReportTemplate& tpl, const std::string& reportPath);

    const RecordTable& records() const { return m_table; }

private:
    enum class Slot { Document = 0, Group = 1 };
    struct TotalRecord {
        Fields fields = emptyRecord();
        std::array<std::int64_t, 3> totals{}; // Size, Length, Track
        bool set = false;
    };

    // BlockContext
    std::string field(int index) const override;
    std::string currentField(int index) const override;
    BlockCounters counters() const override { return m_counters; }
    const DriveTable& drives() const override { return m_drives; }
    std::string defaultDrive() const override { return m_defaultDrive; }
    std::string variousText() const override { return m_various; }
    std::string reportPath() const override { return m_reportPath; }
    CivilDate today() const override { return m_today; }
    bool include(std::string& textSoFar) override;

    ReportOutcome writeBlock(const ReportTemplate& tpl, BlockKind kind);
    ReportOutcome readInclude(const ReportTemplate& tpl);
    ReportOutcome copyFiles(const ReportTemplate& tpl);
    void startTotals(TotalRecord& record) const;
    bool countGroups(const std::vector<int>& groupBy);
    void startGroupCounters();
    void addTotals();

    bool stopRequested() const { return m_stop && m_stop->load(std::memory_order_relaxed); }
    void reportProgress() const;

    bool openReport(const std::string& filePath);
    bool write(std::string_view text);
    bool flush();
    bool closeReport();

    RecordTable m_table;
    std::string m_various = "Various";
    std::string m_defaultDrive = "/";
    VolumeSource m_volumeSource;
    const std::atomic<bool>* m_stop = nullptr;
    std::function<void(const ReportProgress&)> m_progress;
    ReportProgress m_done;

    // State of one generation.
    DriveTable m_drives;
    CivilDate m_today;
    std::string m_reportPath;
    BlockCounters m_counters;
    TotalRecord m_document;
    TotalRecord m_group;
    std::vector<std::size_t> m_groupSizes; // records of every group, in writing order
    std::size_t m_largestGroup = 0;
    std::size_t m_nextGroupStart = 0; // position of the record that begins the next group
    RecordView m_current;
    const TotalRecord* m_blockRecord = nullptr; // null: the block is written with m_current
    bool m_hasInclude = false;
    std::string m_includeData;
    std::string m_block; // reused for every block

    std::FILE* m_file = nullptr;
    std::vector<char> m_out; // output buffer, line feeds already made CR LF
    bool m_lastWasCr = false;
    bool m_writeFailed = false;
};

} // namespace tl
