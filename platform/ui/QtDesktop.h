#pragma once
/**
 * @file QtDesktop.h
 * The program's Desktop: Qt's own choosers (so that a refusal can keep them open), Qt's
 * message boxes, QDesktopServices for files, pages and help, QProcess for programs.
 */
#include "platform/ui/Desktop.h"

namespace tl {

class QtDesktop : public Desktop {
public:
    /** @p helpDirectory: the folder of the help pages, ending in "/". */
    explicit QtDesktop(QString helpDirectory);

    std::optional<QString> chooseFolder(QWidget* parent, const QString& title,
                                        const QString& directory) override;
    std::optional<QStringList> chooseFilesToOpen(QWidget* parent,
                                                 const FileChooser& chooser) override;
    std::optional<QString> chooseFileToSave(QWidget* parent, const FileChooser& chooser) override;
    void showMessage(QWidget* parent, MessageIcon icon, const QString& text) override;
    bool askYesNo(QWidget* parent, MessageIcon icon, const QString& text,
                  bool yesIsDefault) override;
    bool openWithDesktop(const QString& fileOrUrl) override;
    bool startProgram(const QString& program, const QString& workingDirectory) override;
    void showHelp(const QString& page, const QString& anchor) override;

private:
    QString m_helpDirectory;
};

} // namespace tl
