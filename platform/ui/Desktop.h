#pragma once
/**
 * @file Desktop.h
 * Everything the windows ask of the desktop, behind one small interface: the folder and
 * file choosers (with the refusal rules that keep a chooser open), message boxes with the
 * caption "Tunelister" and the icon of their severity, opening a file or a web page with
 * the program the desktop has for it, starting a program beside Tunelister, and help.
 *
 * The program's implementation is QtDesktop; the windows' tests replace it with a scripted
 * one, so that what a window decides (which message, which file) can be checked without
 * a person at the screen.
 */
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QWidget;

namespace tl {

/** The icon of a message box, by what it says. */
enum class MessageIcon { Information, Warning, Error, Question };

/** A file chooser as a window asks for it. */
struct FileChooser {
    QString title;
    QString directory;            ///< where it opens ("" for where the desktop last was)
    QStringList filters;          ///< e.g. "Song databases (*.sds)"; the first is selected
    QString defaultSuffix;        ///< added to a name typed without one ("sds")
    QString proposedName;         ///< a save chooser's proposed file name
    bool multiple = false;        ///< an open chooser may return several files
    bool confirmOverwrite = true; ///< a save chooser asks before replacing a file
    /**
     * Decides whether the chooser may close with @p chosen (full paths). It shows its own
     * message (through the same Desktop) and answers false to keep the chooser open, with
     * the user's choice still in it. None: every choice is taken.
     */
    std::function<bool(const QStringList& chosen)> canClose;
};

class Desktop {
public:
    virtual ~Desktop() = default;

    /** A folder chosen by the user, or none when the chooser was cancelled. */
    virtual std::optional<QString> chooseFolder(QWidget* parent, const QString& title,
                                                const QString& directory) = 0;
    /** Existing files chosen to open (one unless chooser.multiple), or none. */
    virtual std::optional<QStringList> chooseFilesToOpen(QWidget* parent,
                                                         const FileChooser& chooser) = 0;
    /** A file name to save under, or none. */
    virtual std::optional<QString> chooseFileToSave(QWidget* parent,
                                                    const FileChooser& chooser) = 0;

    /** A message box with the caption "Tunelister", the icon and an OK button. */
    virtual void showMessage(QWidget* parent, MessageIcon icon, const QString& text) = 0;
    /** A question with the buttons Yes and No; true for Yes. @p yesIsDefault picks the
     *  button that Enter presses. */
    virtual bool askYesNo(QWidget* parent, MessageIcon icon, const QString& text,
                          bool yesIsDefault) = 0;

    /** Opens a file or web address with the program the desktop has for it. */
    virtual bool openWithDesktop(const QString& fileOrUrl) = 0;
    /** Starts @p program (a path) with @p workingDirectory, not waiting for it. */
    virtual bool startProgram(const QString& program, const QString& workingDirectory) = 0;
    /** Shows the help page @p page (a file of the help folder) at @p anchor (may be empty). */
    virtual void showHelp(const QString& page, const QString& anchor) = 0;
};

} // namespace tl
