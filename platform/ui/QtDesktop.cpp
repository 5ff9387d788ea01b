#include "platform/ui/QtDesktop.h"

#include "platform/ui/WindowText.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>

#include <algorithm>

namespace tl {
namespace {

const QString Caption = QStringLiteral("Tunelister");

bool namesFolder(const QStringList& chosen) {
    return std::any_of(chosen.begin(), chosen.end(),
                       [](const QString& path) { return QFileInfo(path).isDir(); });
}

// A chooser that asks its refusal rule before it closes: a refused choice keeps it open
// with the user's typing still in it. Qt's own dialog, since a desktop's native one
// cannot be kept open from outside.
class CheckedFileDialog : public QFileDialog {
public:
    CheckedFileDialog(QtDesktop& desktop, QWidget* parent, const FileChooser& chooser)
        : QFileDialog(parent, chooser.title, chooser.directory), m_desktop(desktop),
          m_canClose(chooser.canClose) {
        setOption(QFileDialog::DontUseNativeDialog);
        setNameFilters(chooser.filters);
        setDefaultSuffix(chooser.defaultSuffix);
        if (!chooser.proposedName.isEmpty())
            selectFile(chooser.proposedName);
        m_nameField = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    }

protected:
    // A folder typed or chosen is entered, as in any chooser; the refusal rules are about
    // the names of files.
    void accept() override {
        if (const QString folder = typedFolder(); !folder.isEmpty()) {
            // Qt would give a folder typed by its name the default suffix first.
            setDirectory(folder);
            m_nameField->clear();
            return;
        }
        const QStringList chosen = selectedFiles();
        if (namesFolder(chosen)) {
            QFileDialog::accept(); // enters a folder chosen in the list
            return;
        }
        // A name in a folder that does not exist would fail only once the chooser is gone.
        if (acceptMode() == AcceptSave && !chosen.isEmpty()) {
            const QString folder = QFileInfo(chosen.constFirst()).absolutePath();
            if (!QFileInfo(folder).isDir()) {
                m_desktop.refuseMissingFolder(this, folder);
                return;
            }
        }
        if (m_canClose && !m_canClose(chosen))
            return;
        QFileDialog::accept();
    }

private:
    // The folder that the name field names (by its name in the folder shown, or by a whole
    // path), or "" when it names none.
    QString typedFolder() const {
        const QString typed = m_nameField ? m_nameField->text() : QString();
        if (typed.isEmpty() || typed.contains(QLatin1Char('"')))
            return {};
        const QString path = QDir::cleanPath(directory().absoluteFilePath(typed));
        return QFileInfo(path).isDir() ? path : QString();
    }

    QtDesktop& m_desktop;
    std::function<bool(const QStringList&)> m_canClose;
    QLineEdit* m_nameField = nullptr; // Qt's own name field
};

QMessageBox::Icon boxIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Error:
        return QMessageBox::Critical;
    case MessageIcon::Question:
        break;
    }
    return QMessageBox::Question;
}

} // namespace

QtDesktop::QtDesktop(QString helpDirectory) : m_helpDirectory(std::move(helpDirectory)) {}

std::optional<QString> QtDesktop::chooseFolder(QWidget* parent, const QString& title,
                                               const QString& directory) {
    const QString folder = QFileDialog::getExistingDirectory(parent, title, directory);
    if (folder.isEmpty())
        return std::nullopt;
    return folder;
}

std::optional<QStringList> QtDesktop::chooseFilesToOpen(QWidget* parent,
                                                        const FileChooser& chooser) {
    CheckedFileDialog dialog(*this, parent, chooser);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(chooser.multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles();
}

std::optional<QString> QtDesktop::chooseFileToSave(QWidget* parent, const FileChooser& chooser) {
    CheckedFileDialog dialog(*this, parent, chooser);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !chooser.confirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

void QtDesktop::refuseMissingFolder(QWidget* parent, const QString& folder) {
    showMessage(parent, MessageIcon::Warning,
                m_folderMissingText ? m_folderMissingText(folder) : folder);
}

void QtDesktop::showMessage(QWidget* parent, MessageIcon icon, const QString& text) {
    QMessageBox box(boxIcon(icon), Caption, text, QMessageBox::Ok, parent);
    box.exec();
}

bool QtDesktop::askYesNo(QWidget* parent, MessageIcon icon, const QString& text,
                         bool yesIsDefault) {
    QMessageBox box(boxIcon(icon), Caption, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(yesIsDefault ? QMessageBox::Yes : QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

bool QtDesktop::openWithDesktop(const QString& fileOrUrl) {
    const QUrl url = QUrl::fromUserInput(fileOrUrl, QDir::currentPath(), QUrl::AssumeLocalFile);
    return QDesktopServices::openUrl(url);
}

bool QtDesktop::startProgram(const QString& program, const QString& workingDirectory) {
    return QProcess::startDetached(program, {}, workingDirectory);
}

void QtDesktop::showHelp(const QString& page, const QString& anchor) {
    QUrl url = QUrl::fromLocalFile(m_helpDirectory + page);
    if (!anchor.isEmpty())
        url.setFragment(anchor);
    QDesktopServices::openUrl(url);
}

} // namespace tl
