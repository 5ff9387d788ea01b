#pragma once
/**
 * @file MainWindow.h
 * The main window: one vertical toolbar of nine large buttons, each starting one of the
 * program's jobs, each also reachable by its key (F1 opens help wherever the focus is). Its
 * first showing runs the program's start-up routine; closing it ends the program with the
 * settings saved.
 */
#include "platform/ui/AppContext.h"

#include <QMainWindow>
#include <QString>

#include <vector>

class QAction;
class QToolBar;
class QToolButton;

namespace tl {

class Application;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(AppContext& context, Application& application);
    ~MainWindow() override;

    /** Sets every text from the locale; the window's width then follows the captions. */
    void retranslate();

    /** Restoring either this window or @p other from the minimised state restores both
     *  (the scan window goes down and comes back with the main window). */
    void restoreTogetherWith(QWidget* other);

    // The commands of the toolbar, each also reachable from its button and its key.
    void scanVolume();
    void recreateDigest();
    void createReport();
    void search();
    void showOptions();
    void startTemplateEditor();
    void showHelp();
    void showAbout();
    void exitProgram();

Q_SIGNALS:
    /** A scan is about to be started in the scan window with these arguments. */
    void scanStarting(const QString& folder, const QString& baseName,
                      const QString& outputDirectory);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void addCommands();
    bool saveSdsCanClose(const QStringList& chosen);
    void fitToCaptions();

    AppContext& m_context;
    Application& m_application;
    QToolBar* m_toolbar = nullptr;
    std::vector<QToolButton*> m_buttons; ///< top to bottom
    QWidget* m_restoredTogether = nullptr;
    QString m_lastScannedFolder;
};

} // namespace tl
