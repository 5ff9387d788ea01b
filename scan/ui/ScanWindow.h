#pragma once
/**
 * @file ScanWindow.h
 * The window in which a scan runs: the log of the scan's events, the folder and file being
 * worked on, Cancel, the digest after a completed scan, and saving the log.
 */
#include "platform/ui/AppContext.h"

#include <QDialog>

namespace tl {

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
     *  reported in a message box and shows no window. */
    int startScan(const QString& folder, const QString& baseName, const QString& outputDirectory);

private:
    AppContext& m_context;
};

} // namespace tl
