#pragma once
/**
 * @file MainWindow.h
 * The main window: one vertical toolbar of nine large buttons, each starting one of the
 * program's jobs. Its first showing runs the program's start-up routine; closing it ends
 * the program with the settings saved.
 */
#include "platform/ui/AppContext.h"

#include <QMainWindow>

namespace tl {

class Application;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(AppContext& context, Application& application);
    ~MainWindow() override;

    /** Sets every text from the locale. */
    void retranslate();

    // The commands of the toolbar, each also reachable from its button.
    void scanVolume();
    void recreateDigest();
    void createReport();
    void search();
    void showOptions();
    void startTemplateEditor();
    void showHelp();
    void showAbout();
    void exitProgram();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    AppContext& m_context;
    Application& m_application;
};

} // namespace tl
