#pragma once
/**
 * @file AboutBox.h
 * The about box: product, version, the maker's notice, the project's web address (or, for
 * a build without one, the program's help pages) and the language pack in use.
 */
#include "platform/ui/AppContext.h"

#include <QDialog>

class QLabel;

namespace tl {

class AboutBox : public QDialog {
    Q_OBJECT
public:
    /** @p homepage: the project's web address; empty for a build that has none. */
    explicit AboutBox(AppContext& context, QWidget* parent = nullptr, QString homepage = QString());
    ~AboutBox() override;

    /** Sets every text from the locale. */
    void retranslate();

    /** What Label1 opens: the web address, or the help pages' introduction. */
    QString linkTarget() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void openLink();

    AppContext& m_context;
    QString m_homepage;
    QLabel* m_version = nullptr;
    QLabel* m_link = nullptr;
};

} // namespace tl
