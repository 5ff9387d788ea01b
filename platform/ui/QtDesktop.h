#pragma once
/**
 * @file QtDesktop.h
 * The program's Desktop: Qt's own choosers (so that a refusal can keep them open), Qt's
 * message boxes, QDesktopServices for files, pages and help, QProcess for programs.
 *
 * Every chooser enters a folder typed or chosen in it before any refusal rule is asked,
 * and every save chooser refuses a name in a folder that does not exist.
 */
#include "locale/Locale.h"
#include "platform/ui/Desktop.h"

namespace tl {

class QtDesktop : public Desktop {
public:
    /** @p helpDirectory: the folder of the help pages, ending in "/". */
    explicit QtDesktop(QString helpDirectory);

    /** The language of the choosers' own messages (a save chooser refuses a name in a
     *  folder that does not exist). Not owned; until it is set the texts are missing. */
    void setLocale(const Locale& locale) { m_locale = &locale; }
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
    Locale m_noLocale;
    const Locale* m_locale = &m_noLocale;
};

} // namespace tl
