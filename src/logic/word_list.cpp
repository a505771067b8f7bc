#include "word_list.h"

#include "exception.h"

namespace {

bool IsLineBreak(QChar c) { return c == u'\r' || c == u'\n'; }
bool IsWordEnd(QChar c) { return c == u' ' || IsLineBreak(c); }
bool IsQuote(QChar c) { return c == u'\'' || c == u'"'; }

} // namespace

WordList::WordList(const QString& text)
{
    const qsizetype end = text.size();
    qsizetype pos = 0;
    while (pos < end) {
        while (pos < end && IsLineBreak(text[pos]))
            ++pos;
        const qsizetype start = pos;
        QChar openQuote; // null outside a quoted stretch
        while (pos < end) {
            const QChar c = text[pos];
            if (openQuote.isNull()) {
                if (IsWordEnd(c))
                    break;
                if (IsQuote(c))
                    openQuote = c;
            } else if (c == openQuote) {
                openQuote = QChar();
            }
            ++pos;
        }
        if (pos > start)
            words_.append(text.mid(start, pos - start));
        if (pos < end)
            ++pos; // the word end that stopped the word
    }
}

const QString& WordList::operator[](qsizetype index) const
{
    if (index < 0 || index >= words_.size())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return words_[index];
}
