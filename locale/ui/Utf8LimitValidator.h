#pragma once
/**
 * @file Utf8LimitValidator.h
 * Keeps a line edit's text within a number of bytes of UTF-8, as the settings file keeps its
 * texts: what goes over the limit is taken off the text just typed or pasted (the part
 * before the cursor), never from the middle of a character.
 */
#include <QValidator>

#include <cstddef>

class QLineEdit;

namespace tl {

class Utf8LimitValidator : public QValidator {
    Q_OBJECT
public:
    Utf8LimitValidator(std::size_t maxBytes, QObject* parent);

    State validate(QString& input, int& pos) const override;

    /** Limits @p edit to @p maxBytes bytes of UTF-8. */
    static void limit(QLineEdit* edit, std::size_t maxBytes);

private:
    std::size_t m_maxBytes;
};

/** Bytes of @p text in UTF-8. */
std::size_t utf8Size(const QString& text);

} // namespace tl
