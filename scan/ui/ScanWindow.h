#pragma once
/**
 * @file ScanWindow.h
 * The window in which a scan job runs: the log of the scan's events, the folder and file
 * being worked on, how many files are done, how fast and how long the rest will take,
 * Cancel, the digest's questions after a completed scan, and saving the log.
 */
#include "job/Job.h"
#include "platform/Volumes.h"
#include "platform/ui/AppContext.h"

#include <QDialog>
#include <QElapsedTimer>

#include <string>
#include <vector>

class QLabel;
class QListView;
class QPushButton;

namespace tl {

class JobRelay;
class ScanLogModel;

class ScanWindow : public QDialog {
    Q_OBJECT
public:
    explicit ScanWindow(AppContext& context, QWidget* parent = nullptr);
    ~ScanWindow() override;

    /** Sets every text from the locale. */
    void retranslate();

    /** Catalogues @p folder into @p outputDirectory / @p baseName ".sds" and its digest,
     *  showing the window modally; the dialog's result. A scan that cannot begin is
     *  reported in a message box and shows no window. An empty @p outputDirectory is the
     *  program's db/ folder. */
    int startScan(const QString& folder, const QString& baseName, const QString& outputDirectory);
    /** startScan() without showing the window: true when the scan runs, scanFinished()
     *  follows. */
    bool beginScan(const QString& folder, const QString& baseName, const QString& outputDirectory);

    /** True while a scan or its digest runs: the window cannot be closed. */
    bool isBusy() const;
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
    void appendLines(const std::vector<Message>& lines);
    void askAlbum(const JobQuestion& question);
    void finish(const JobResult& result);
    void takeProgress(const JobProgress& progress);
    void showProgress();
    void setBusy(bool busy);

    AppContext& m_context;
    PlatformPaths m_paths;

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
    QElapsedTimer m_elapsed;

    bool m_begun = false; // the scan has begun: its end is shown
    bool m_cancelling = false;
    bool m_asking = false;
    bool m_completed = false;
    JobProgress m_walk; ///< the walk's latest progress (the digest's does not move the labels)
    JobRelay* m_relay;
};

} // namespace tl
