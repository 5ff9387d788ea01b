#pragma once
/**
 * @file DigestPrompt.h
 * The small window that lets the user confirm or correct an album whose artist or title
 * the digest took from folder names. Its Auto button completes the rest of the run
 * without asking.
 */
#include "digest/DigestJob.h"
#include "platform/ui/AppContext.h"

#include <QDialog>

namespace tl {

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

    /** Asks about @p album, modally, unless auto-complete is on; the answer for the job. */
    AlbumAnswer confirm(const Fields& album);

private:
    AppContext& m_context;
    bool m_autoComplete = false;
};

} // namespace tl
