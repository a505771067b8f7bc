// The runner's word splitter on any editor text.
#include "exception.h"
#include "fuzz_input.h"
#include "word_list.h"

namespace {

bool IsSeparator(QChar c) { return c == u' ' || c == u'\r' || c == u'\n'; }

QStringList Words(const WordList& list)
{
    QStringList words;
    for (qsizetype i = 0; i < list.count(); ++i)
        words.append(list[i]);
    return words;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = Utf16(data, size);
    const WordList list(text);
    const QStringList words = Words(list);

    // The words are the text's stretches between separators, in order: nothing but blanks and
    // line breaks is dropped, and no word is empty or starts with a line break.
    qsizetype at = 0;
    for (const QString& word : words) {
        FUZZ_CHECK(!word.isEmpty() && word[0] != u'\r' && word[0] != u'\n');
        const qsizetype found = text.indexOf(word, at);
        FUZZ_CHECK(found >= at);
        for (qsizetype i = at; i < found; ++i)
            FUZZ_CHECK(IsSeparator(text[i]));
        at = found + word.size();
    }
    for (qsizetype i = at; i < text.size(); ++i)
        FUZZ_CHECK(IsSeparator(text[i]));

    // A word's quoted stretches close within it, but for the last word's: so the words joined by
    // blanks split into the same words again.
    FUZZ_CHECK(Words(WordList(words.join(u' '))) == words);

    // Asking past the last word raises, with the word's number.
    try {
        list[list.count()];
        FUZZ_CHECK(false);
    } catch (const EListError& error) {
        FUZZ_CHECK(error.Message() == QStringLiteral("List index out of bounds (%1)").arg(list.count()));
    }
    return 0;
}
