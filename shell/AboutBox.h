#pragma once
/**
 * @file AboutBox.h
 * The about box: product, version, the maker's web page and the language pack in use.
 */
#include "platform/ui/AppContext.h"

#include <QDialog>

namespace tl {

class AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(AppContext& context, QWidget* parent = nullptr);
    ~AboutBox() override;

    /** Sets every text from the locale. */
    void retranslate();

private:
    AppContext& m_context;
};

} // namespace tl
