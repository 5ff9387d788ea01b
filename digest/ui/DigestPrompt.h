#pragma once
/**
 * @file DigestPrompt.h
 * The small window that lets the user confirm or correct an album whose artist or title
 * the digest took from folder names. Its Auto button completes the rest of the run
 * without asking. Each field takes at most MaxTypedAnswerChars typed characters.
 */
#include "digest/DigestJob.h"
#include "platform/ui/AppContext.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace tl {

class JobRelay;

class DigestPrompt : public QDialog {
    Q_OBJECT
public:
    explicit DigestPrompt(AppContext& context, QWidget* parent = nullptr);
    ~DigestPrompt() override;

    /** Sets every text from the locale. */
    void retranslate();

    /** The auto-complete state (the hidden chkAuto): when on, confirm() asks nothing. */
    void setAutoComplete(bool on);
    bool autoComplete() const;

    /**
     * Asks about @p album, modally, unless auto-complete is on; the answer for the job.
     * OK gives the album with the path, artist, album, genre and year as shown; Auto (or
     * Escape) keeps the derived values and answers that the rest of the run is not to ask,
     * as auto-complete on does.
     */
    AlbumAnswer confirm(const Fields& album);
    /** Answers the album question of the job that @p relay runs with confirm(); nothing
     *  for another question or once the job is cancelled. */
    void answer(JobRelay& relay, const JobQuestion& question);
    /** True while confirm() waits for the user. */
    bool isAsking() const { return m_asking; }
    /** Closes a question that no longer matters (its run was stopped): confirm() returns
     *  an answer that keeps the derived values, and auto-complete is left as it was. */
    void abandon();

public Q_SLOTS:
    /** Auto: ticks auto-complete and closes. */
    void reject() override;

private:
    AppContext& m_context;
    QLabel* m_lblPath;
    QPlainTextEdit* m_mmoPath;
    QLabel* m_lblArtist;
    QLineEdit* m_edtArtist;
    QLabel* m_lblAlbum;
    QLineEdit* m_edtAlbum;
    QLabel* m_lblGenre;
    QLineEdit* m_edtGenre;
    QLabel* m_lblYear;
    QLineEdit* m_edtYear;
    QCheckBox* m_chkAuto;
    QPushButton* m_cmdOk;
    QPushButton* m_cmdCancel;
    bool m_asking = false;
    bool m_abandoned = false;
};

} // namespace tl
