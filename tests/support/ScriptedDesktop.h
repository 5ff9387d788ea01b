#pragma once
// The windows' tests' desktop: every chooser, question and message box is answered from a
// script written by the test, and everything asked and shown is recorded.
#include "platform/ui/Desktop.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <ostream>
#include <utility>
#include <vector>

namespace tl::test {

class ScriptedDesktop : public Desktop {
public:
    struct Shown {
        MessageIcon icon;
        QString text;
        bool question = false;
    };

    // --- scripts: each call takes the next entry; none left means the user cancels ---
    /** Folders chosen in turn (an empty string cancels). */
    std::deque<QString> folders;
    /** For each open chooser, the choices the user tries in turn: each is offered to the
     *  chooser's refusal rule, and the first accepted is returned; when all are refused
     *  (or there are none) the user cancels. */
    std::deque<std::vector<QStringList>> filesToOpen;
    /** The same for save choosers. */
    std::deque<std::vector<QString>> filesToSave;
    /** Answers to questions in turn (true: Yes); none left means the default button. */
    std::deque<bool> answers;

    // --- what happened ---
    std::vector<Shown> shown; ///< every message box and question, in order
    std::vector<FileChooser> openChoosers;
    std::vector<FileChooser> saveChoosers;
    std::vector<QString> folderTitles;
    QStringList refused;                           ///< choices a refusal rule sent back
    QStringList opened;                            ///< files and pages opened with the desktop
    QStringList started;                           ///< programs started
    std::vector<std::pair<QString, QString>> help; ///< help pages and anchors shown

    std::optional<QString> chooseFolder(QWidget*, const QString& title, const QString&) override {
        folderTitles.push_back(title);
        if (folders.empty())
            return std::nullopt;
        QString folder = folders.front();
        folders.pop_front();
        if (folder.isEmpty())
            return std::nullopt;
        return folder;
    }

    std::optional<QStringList> chooseFilesToOpen(QWidget*, const FileChooser& chooser) override {
        openChoosers.push_back(chooser);
        if (filesToOpen.empty())
            return std::nullopt;
        const std::vector<QStringList> tries = std::move(filesToOpen.front());
        filesToOpen.pop_front();
        for (const QStringList& choice : tries) {
            if (!chooser.canClose || chooser.canClose(choice))
                return choice;
            refused += choice;
        }
        return std::nullopt;
    }

    std::optional<QString> chooseFileToSave(QWidget*, const FileChooser& chooser) override {
        saveChoosers.push_back(chooser);
        if (filesToSave.empty())
            return std::nullopt;
        const std::vector<QString> tries = std::move(filesToSave.front());
        filesToSave.pop_front();
        for (const QString& choice : tries) {
            if (!chooser.canClose || chooser.canClose({choice}))
                return choice;
            refused += choice;
        }
        return std::nullopt;
    }

    void showMessage(QWidget*, MessageIcon icon, const QString& text) override {
        shown.push_back({icon, text, false});
    }

    bool askYesNo(QWidget*, MessageIcon icon, const QString& text, bool yesIsDefault) override {
        shown.push_back({icon, text, true});
        if (answers.empty())
            return yesIsDefault;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }

    bool openWithDesktop(const QString& fileOrUrl) override {
        opened += fileOrUrl;
        return true;
    }
    bool startProgram(const QString& program, const QString&) override {
        started += program;
        return true;
    }
    void showHelp(const QString& page, const QString& anchor) override {
        help.emplace_back(page, anchor);
    }
};

inline std::ostream& operator<<(std::ostream& out, MessageIcon icon) {
    static const char* names[] = {"Information", "Warning", "Error", "Question"};
    return out << names[static_cast<int>(icon)];
}

} // namespace tl::test

// Readable QStrings in GoogleTest's failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
