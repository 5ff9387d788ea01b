#pragma once
/**
 * @file QtDesktop.h
 * The program's Desktop: Qt's own choosers (so that a refusal can keep them open), Qt's
 * message boxes, QDesktopServices for files, pages and help, QProcess for programs.
 *
 * Every chooser enters a folder typed or chosen in it before any refusal rule is asked,
 * and every save chooser refuses a name in a folder that does not exist.
 */
#include "platform/ui/Desktop.h"

#include <functional>

namespace tl {

class QtDesktop : public Desktop {
public:
    /** @p helpDirectory: the folder of the help pages, ending in "/". */
    explicit QtDesktop(QString helpDirectory);

    /** What a save chooser says when it refuses a name in @p folder, which does not exist,
     *  in the user's language; until it is set, the folder's path alone. */
    using FolderMissingText = std::function<QString(const QString& folder)>;
    void setFolderMissingText(FolderMissingText text) { m_folderMissingText = std::move(text); }
    /** Shows why a save chooser refuses a name in @p folder, which does not exist. */
    void refuseMissingFolder(QWidget* parent, const QString& folder);

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
    FolderMissingText m_folderMissingText;
};

} // namespace tl
