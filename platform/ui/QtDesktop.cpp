#include "platform/ui/QtDesktop.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>

namespace tl {
namespace {

const QString Caption = QStringLiteral("Tunelister");

// A chooser that asks its refusal rule before it closes: a refused choice keeps it open
// with the user's typing still in it. Qt's own dialog, since a desktop's native one
// cannot be kept open from outside.
class CheckedFileDialog : public QFileDialog {
public:
    CheckedFileDialog(QWidget* parent, const FileChooser& chooser)
        : QFileDialog(parent, chooser.title, chooser.directory), m_canClose(chooser.canClose) {
        setOption(QFileDialog::DontUseNativeDialog);
        setNameFilters(chooser.filters);
        setDefaultSuffix(chooser.defaultSuffix);
        if (!chooser.proposedName.isEmpty())
            selectFile(chooser.proposedName);
    }

protected:
    void accept() override {
        if (m_canClose && !m_canClose(selectedFiles()))
            return;
        QFileDialog::accept();
    }

private:
    std::function<bool(const QStringList&)> m_canClose;
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
    CheckedFileDialog dialog(parent, chooser);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(chooser.multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles();
}

std::optional<QString> QtDesktop::chooseFileToSave(QWidget* parent, const FileChooser& chooser) {
    CheckedFileDialog dialog(parent, chooser);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !chooser.confirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
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
