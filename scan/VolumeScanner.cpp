#include "scan/VolumeScanner.h"

#include "plugins/AudioInfo.h"
#include "plugins/Pluginmanager.h"
#include "storage/Fieldnames.h"

#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>

namespace tl {
namespace {

std::int32_t dayOf(std::time_t seconds, bool local) {
    std::tm tm{};
    if (!(local ? ::localtime_r(&seconds, &tm) : ::gmtime_r(&seconds, &tm)))
        return 0;
    return dayNumber(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
}

} // namespace

VolumeScanner::~VolumeScanner() {
    stop();
}

void VolumeScanner::setOutputDirectory(std::string directory) {
    if (!directory.empty() && directory.back() != '/')
        directory.push_back('/');
    m_outputDirectory = std::move(directory);
}

std::string VolumeScanner::databasePath() const {
    return m_outputDirectory + m_databaseName + ".sds";
}

int VolumeScanner::prepareScan() {
    if (isRunning() || !identifyVolume(rootDirectory(), m_databaseName, m_info, m_paths))
        return BeginNotReady;
    // The walk reports the canonical path, which the record's Path is taken from.
    setRootDirectory(m_info.folder);
    m_scanDay = dayOf(std::time(nullptr), true);
    m_fileDay = 0;
    m_dayNumbers.clear();
    m_fileName.clear();
    m_recordCount.store(0, std::memory_order_relaxed);
    m_bytesDone = 0;
    m_complete = false;

    m_replacement = std::make_unique<FileReplacement>(databasePath());
    m_database.setFieldCount(FieldCount);
    m_database.setType(RecordType::make("SngD", 1, 1));
    if (m_database.create(m_replacement->tempPath()) != RecordResult::Ok) {
        m_database.close();
        m_replacement.reset();
        return BeginOutputError;
    }
    return BeginOk;
}

int VolumeScanner::beginScan() {
    if (const int prepared = prepareScan(); prepared != BeginOk)
        return prepared;
    if (!start()) {
        m_database.close();
        m_replacement.reset();
        return BeginNotReady;
    }
    return BeginOk;
}

bool VolumeScanner::accept(std::string_view name) {
    return m_plugins && m_plugins->claims(name);
}

void VolumeScanner::notify() {
    if (status() == StatusEntering)
        m_info.directory =
            volumeRelativePath(m_info.mountPoint, currentDirectory(), m_info.network);
    // The database is complete when the walk is: it is closed and put in place before
    // "done" is reported, so that a failure to do so is reported instead.
    if (status() == StatusDone && !completeDatabase())
        setStatus(StatusOutputError);
    if (!m_listener)
        return;
    const bool aboutFile = status() == StatusOpening || status() == StatusOpenError ||
                           status() == StatusNoPlugin || status() == StatusNoAnalyser ||
                           status() > StatusOutputError;
    m_listener->scanEvent(ScanEvent{status(), currentDirectory(),
                                    aboutFile ? currentFileName() : std::string(),
                                    m_recordCount.load(std::memory_order_relaxed), m_bytesDone});
}

bool VolumeScanner::completeDatabase() {
    if (!m_replacement)
        return false;
    const bool closed = m_database.close() == RecordResult::Ok;
    m_complete = closed && m_replacement->commit();
    if (!m_complete)
        m_replacement->discard();
    m_replacement.reset();
    return m_complete;
}

void VolumeScanner::readFileDate() {
    // The creation (birth) time where the file system keeps one, else the modification
    // time; both as a UTC calendar date. Without either the previous file's date stays.
    const struct statx& sx = currentFileStatus();
    std::int64_t seconds = 0;
    if (sx.stx_mask & STATX_BTIME)
        seconds = sx.stx_btime.tv_sec;
    else if (sx.stx_mask & STATX_MTIME)
        seconds = sx.stx_mtime.tv_sec;
    else
        return;
    // The local-time conversion behind a day number consults the time-zone file each
    // time; a volume's files share few dates, so each date is converted once per scan.
    const std::int64_t utcDay = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
    const auto known = m_dayNumbers.find(utcDay);
    if (known != m_dayNumbers.end()) {
        m_fileDay = known->second;
        return;
    }
    m_fileDay = dayOf(static_cast<std::time_t>(seconds), false);
    m_dayNumbers.emplace(utcDay, m_fileDay);
}

bool VolumeScanner::process(int fd) {
    AudioFileInfo info{};
    m_fileName = currentFileName();
    readFileDate();

    // accept() let in only claimed extensions, so these two are reported and skipped
    // rather than trusted away: they cost nothing and keep a changed plug-in list safe.
    int result = 0;
    const AnalyseOutcome outcome = m_plugins ? m_plugins->analyse(fd, m_fileName, currentFileSize(),
                                                                  m_pluginOptions, info, result)
                                             : AnalyseOutcome::NoPlugin;
    if (outcome != AnalyseOutcome::Analysed) {
        setStatus(outcome == AnalyseOutcome::NoAnalyser ? StatusNoAnalyser : StatusNoPlugin);
        notify();
        return true;
    }

    Fields record = emptyRecord();
    record[VolDescription] = m_info.description;
    record[VolName] = m_info.label;
    record[VolSerial] = m_info.serial;
    record[Path] = m_info.directory;
    record[FName] = m_fileName;
    record[Size] = std::to_string(currentFileSize());
    record[Length] = std::to_string(info.Length);
    record[Bitrate] = std::to_string(info.Bitrate);
    record[Frequency] = std::to_string(static_cast<std::int32_t>(info.Frequency));
    for (const AudioTextField& field : AudioTextFields)
        record[field.songField] = std::string(audioText(info, field));
    record[Date] = std::to_string(m_fileDay);
    record[ScanDate] = std::to_string(m_scanDay);

    if (m_database.append(m_database.pack(record, SongFieldWidth)) != RecordResult::Ok) {
        // Reported once, by the walk's final notification, which carries this status.
        setStatus(StatusOutputError);
        return false;
    }
    m_recordCount.fetch_add(1, std::memory_order_relaxed);
    m_bytesDone += currentFileSize();
    if (result != 0) {
        setStatus(pluginStatus(result));
        notify();
    }
    return true;
}

int VolumeScanner::finished(int result) {
    if (m_replacement) {
        // The walk did not complete: the new database is dropped, an earlier one stays.
        m_database.close();
        m_replacement->discard();
        m_replacement.reset();
    }
    const bool completed = result != 0 && m_complete;
    if (m_listener)
        m_listener->scanEnded(completed);
    return completed ? 1 : 0;
}

} // namespace tl
