#pragma once
/**
 * @file ScanWindow.h
 * The window in which a scan runs: the log of the scan's events, the folder and file being
 * worked on, how many files are done, how fast and how long the rest will take, Cancel,
 * the digest after a completed scan, and saving the log.
 */
#include "platform/Volumes.h"
#include "platform/ui/AppContext.h"
#include "scan/ui/ScanRelay.h"

#include <QDialog>
#include <QElapsedTimer>

#include <deque>
#include <memory>
#include <string>

class QLabel;
class QListView;
class QPushButton;
class QTimer;

namespace tl {

class ScanJob;
class ScanLogModel;
class TreeCensus;
struct LogLine;
struct Settings;

class ScanWindow : public QDialog {
    Q_OBJECT
public:
    explicit ScanWindow(AppContext& context, QWidget* parent = nullptr);
    ~ScanWindow() override;

    /** Sets every text from the locale. */
    void retranslate();
    /** Takes the copies of the settings this window keeps (tooMany, digestVarious). */
    void applySettings(const Settings& settings);

    /** Catalogues @p folder into @p outputDirectory / @p baseName ".sds" and its digest,
     *  showing the window modally; the dialog's result. A scan that cannot begin is
     *  reported in a message box and shows no window. An empty @p outputDirectory is the
     *  program's db/ folder. */
    int startScan(const QString& folder, const QString& baseName, const QString& outputDirectory);
    /** startScan() without showing the window: true when the scan runs, scanFinished()
     *  follows. */
    bool beginScan(const QString& folder, const QString& baseName, const QString& outputDirectory);

    /** True while a scan or its digest runs: the window cannot be closed. */
    bool isBusy() const { return m_running; }
    /** Where the volume facts are read from (tests use fixtures). */
    void setPlatformPaths(PlatformPaths paths) { m_paths = std::move(paths); }

public Q_SLOTS:
    /** Escape: Close when the window may close, else nothing. */
    void reject() override;

Q_SIGNALS:
    /** The job has ended and its last log line is shown: Close and Save log are enabled. */
    void scanFinished();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void cancel();
    void saveLog();
    void deliver();
    void appendLines(std::vector<LogLine>& lines);
    void askAlbum(const Fields& album);
    void finish(const ScanOutcome& outcome);
    void showProgress();
    void setBusy(bool busy);

    AppContext& m_context;
    PlatformPaths m_paths;
    std::string m_digestVarious = "Various";
    int m_tooMany = 3;

    QLabel* m_label1;
    QLabel* m_label2;
    QLabel* m_lblPath;
    QLabel* m_lblFilename;
    QLabel* m_lblFilesCaption;
    QLabel* m_lblFiles;
    QLabel* m_lblRateCaption;
    QLabel* m_lblRate;
    QLabel* m_lblTimeLeftCaption;
    QLabel* m_lblTimeLeft;
    QLabel* m_label5;
    QListView* m_lstLog;
    ScanLogModel* m_log;
    QPushButton* m_cmdSaveLog;
    QPushButton* m_cmdClose;
    QPushButton* m_cmdCancel;
    QTimer* m_progressTimer;
    QTimer* m_logTimer;
    QElapsedTimer m_elapsed;

    bool m_running = false;
    bool m_cancelling = false;
    bool m_asking = false;
    bool m_draining = false;
    bool m_completed = false;
    std::deque<ScanRelay::Item> m_inbox;
    std::unique_ptr<ScanRelay> m_relay;
    std::unique_ptr<TreeCensus> m_census;
    std::unique_ptr<ScanJob> m_job; // last: its worker is stopped before the rest goes
};

} // namespace tl
