#include "locale/ui/Utf8LimitValidator.h"

#include <QLineEdit>

#include <algorithm>

namespace tl {
namespace {

// The code units and UTF-8 bytes of the character that ends at @p end of @p text.
struct Tail {
    int units;
    std::size_t bytes;
};

Tail characterBefore(const QString& text, int end) {
    const QChar c = text.at(end - 1);
    if (c.isLowSurrogate() && end >= 2 && text.at(end - 2).isHighSurrogate())
        return {2, 4};
    const char16_t u = c.unicode();
    // A lone surrogate is written as U+FFFD, three bytes.
    return {1, u < 0x80 ? 1u : u < 0x800 ? 2u : 3u};
}

} // namespace

std::size_t utf8Size(const QString& text) {
    return static_cast<std::size_t>(text.toUtf8().size());
}

Utf8LimitValidator::Utf8LimitValidator(std::size_t maxBytes, QObject* parent)
    : QValidator(parent), m_maxBytes(maxBytes) {}

QValidator::State Utf8LimitValidator::validate(QString& input, int& pos) const {
    std::size_t size = utf8Size(input);
    if (size <= m_maxBytes)
        return Acceptable;
    // The text just typed or pasted ends at the cursor: what is too much goes from there
    // backwards, so the text that was already there stays whole.
    int end = std::clamp(pos, 0, static_cast<int>(input.size()));
    int start = end;
    while (size > m_maxBytes && start > 0) {
        const Tail tail = characterBefore(input, start);
        start -= tail.units;
        size -= tail.bytes;
    }
    input.remove(start, end - start);
    pos = start;
    // A cursor at the start (a text set as a whole) leaves the excess at the end.
    while (size > m_maxBytes && !input.isEmpty()) {
        const Tail tail = characterBefore(input, static_cast<int>(input.size()));
        input.chop(tail.units);
        size -= tail.bytes;
    }
    pos = std::min(pos, static_cast<int>(input.size()));
    return Acceptable;
}

void Utf8LimitValidator::limit(QLineEdit* edit, std::size_t maxBytes) {
    edit->setValidator(new Utf8LimitValidator(maxBytes, edit));
}

} // namespace tl
