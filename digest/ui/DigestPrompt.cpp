#include "digest/ui/DigestPrompt.h"

#include "frontend/FrontEnd.h"
#include "frontend/ui/JobRelay.h"
#include "frontend/ui/LocaleText.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace tl {
namespace {

constexpr int MaxTyped = static_cast<int>(MaxTypedAnswerChars);

// A field shows what the digest derived, however long; the user can type no further than
// MaxTyped characters (or the length shown, when that is longer), so nothing derived is
// cut just by showing it.
void showField(QLineEdit* edit, const std::string& value) {
    const QString text = qText(value);
    edit->setMaxLength(std::max<int>(MaxTyped, static_cast<int>(text.size())));
    edit->setText(text);
}

} // namespace

DigestPrompt::DigestPrompt(AppContext& context, QWidget* parent)
    : QDialog(parent), m_context(context) {
    setObjectName(QStringLiteral("TfrmDigestPrompt"));
    // A dialog frame without title-bar buttons: the window is answered with its buttons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(true);

    m_lblPath = named(new QLabel(this), "lblPath");
    m_mmoPath = named(new QPlainTextEdit(this), "mmoPath");
    m_mmoPath->setReadOnly(true);
    m_mmoPath->setFocusPolicy(Qt::ClickFocus); // selectable with the mouse, not a tab stop
    m_mmoPath->setBackgroundRole(QPalette::Button);
    m_mmoPath->viewport()->setBackgroundRole(QPalette::Button);
    m_mmoPath->setFixedHeight(m_mmoPath->fontMetrics().lineSpacing() * 3 +
                              2 * m_mmoPath->frameWidth() + 8);

    auto* group = named(new QGroupBox(this), "GroupBox1");
    m_lblArtist = named(new QLabel(group), "lblArtist");
    m_edtArtist = named(new QLineEdit(group), "edtArtist");
    m_lblAlbum = named(new QLabel(group), "lblAlbum");
    m_edtAlbum = named(new QLineEdit(group), "edtAlbum");
    m_lblGenre = named(new QLabel(group), "lblGenre");
    m_edtGenre = named(new QLineEdit(group), "edtGenre");
    m_lblYear = named(new QLabel(group), "lblYear");
    m_edtYear = named(new QLineEdit(group), "edtYear");
    for (QLineEdit* edit : {m_edtArtist, m_edtAlbum, m_edtGenre, m_edtYear})
        edit->setMaxLength(MaxTyped);
    m_edtYear->setMaximumWidth(m_edtYear->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 8 +
                               16);
    auto* grid = new QGridLayout(group);
    grid->addWidget(m_lblArtist, 0, 0);
    grid->addWidget(m_edtArtist, 0, 1, 1, 3);
    grid->addWidget(m_lblAlbum, 1, 0);
    grid->addWidget(m_edtAlbum, 1, 1, 1, 3);
    grid->addWidget(m_lblGenre, 2, 0);
    grid->addWidget(m_edtGenre, 2, 1);
    grid->addWidget(m_lblYear, 2, 2);
    grid->addWidget(m_edtYear, 2, 3);
    grid->setColumnStretch(1, 1);

    m_chkAuto = named(new QCheckBox(this), "chkAuto");
    m_chkAuto->setVisible(false);

    auto* buttons = new QDialogButtonBox(this);
    m_cmdOk =
        named(buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole), "cmdOk");
    m_cmdCancel = named(buttons->addButton(QString(), QDialogButtonBox::RejectRole), "cmdCancel");
    m_cmdOk->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &DigestPrompt::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_lblPath);
    layout->addWidget(m_mmoPath);
    layout->addWidget(group);
    layout->addWidget(m_chkAuto);
    layout->addWidget(buttons);

    setTabOrder(m_edtArtist, m_edtAlbum);
    setTabOrder(m_edtAlbum, m_edtGenre);
    setTabOrder(m_edtGenre, m_edtYear);
    setTabOrder(m_edtYear, m_chkAuto);
    setTabOrder(m_chkAuto, m_cmdOk);
    setTabOrder(m_cmdOk, m_cmdCancel);
    resize(420, sizeHint().height());
}

DigestPrompt::~DigestPrompt() = default;

void DigestPrompt::retranslate() {
    const Locale& locale = *m_context.locale;
    const auto text = [&locale](const char* key) {
        return localeQText(locale, "DialogDigestPrompt", key);
    };
    setWindowTitle(text("Caption"));
    m_lblPath->setText(text("Path"));
    m_lblArtist->setText(text("Artist"));
    m_lblAlbum->setText(text("Album"));
    m_lblGenre->setText(text("Genre"));
    m_lblYear->setText(text("Year"));
    m_chkAuto->setText(text("AutoComplete"));
    m_cmdCancel->setText(text("Auto"));
    nameControlsFromTheirTexts(this);
    nameControl(m_lblPath, m_mmoPath);
    nameControl(m_lblArtist, m_edtArtist);
    nameControl(m_lblAlbum, m_edtAlbum);
    nameControl(m_lblGenre, m_edtGenre);
    nameControl(m_lblYear, m_edtYear);
}

void DigestPrompt::setAutoComplete(bool on) {
    m_chkAuto->setChecked(on);
}

bool DigestPrompt::autoComplete() const {
    return m_chkAuto->isChecked();
}

AlbumAnswer DigestPrompt::confirm(const Fields& album) {
    if (autoComplete())
        return {std::nullopt, true};
    if (album.size() != static_cast<std::size_t>(FieldCount))
        return {std::nullopt, false};
    m_mmoPath->setPlainText(qText(album[Path]));
    showField(m_edtArtist, album[Artist]);
    showField(m_edtAlbum, album[Album]);
    showField(m_edtGenre, album[Genre]);
    showField(m_edtYear, album[Year]);
    m_edtArtist->setFocus();
    m_edtArtist->selectAll();
    m_asking = true;
    m_abandoned = false;
    const int result = exec();
    m_asking = false;
    if (m_abandoned)
        return {std::nullopt, false};
    if (result != QDialog::Accepted)
        return {std::nullopt, true}; // Auto: the rest of the run asks nothing
    // The path cannot be edited; a field the user left alone keeps its bytes as they were
    // (a tag's text need not be valid UTF-8).
    Fields confirmed = album;
    const std::pair<int, QLineEdit*> edits[] = {
        {Artist, m_edtArtist}, {Album, m_edtAlbum}, {Genre, m_edtGenre}, {Year, m_edtYear}};
    for (const auto& [field, edit] : edits)
        if (edit->isModified())
            confirmed[static_cast<std::size_t>(field)] = stdText(edit->text());
    return {std::move(confirmed), false};
}

void DigestPrompt::answer(JobRelay& relay, const JobQuestion& question) {
    const Fields* album = askedAlbum(question);
    if (!album || relay.cancelRequested())
        return; // not the digest's question, or a cancel has released the job
    relay.answer(jobAnswer(confirm(*album)));
}

void DigestPrompt::abandon() {
    if (!m_asking)
        return;
    m_abandoned = true;
    QDialog::done(QDialog::Rejected);
}

void DigestPrompt::reject() {
    m_chkAuto->setChecked(true);
    QDialog::reject();
}

} // namespace tl
