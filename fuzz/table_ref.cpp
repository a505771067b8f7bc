// Name quoting on any name: what it gives must read back as exactly that one name.
#include <optional>

#include "fuzz_input.h"
#include "table_ref.h"

namespace {

// Characters the server's lexer takes into an identifier that is not quoted.
bool UnquotedIdentifierChar(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= 0x80)
        return !c.isSurrogate();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') || u == u'_'
           || u == u'$';
}

// The name a back-quoted identifier stands for; none when the text is not exactly one
// back-quoted identifier (a lone back-quote inside would end it early).
std::optional<QString> Unquote(const QString& quoted)
{
    if (quoted.size() < 2 || quoted.front() != u'`' || quoted.back() != u'`')
        return {};
    QString name;
    for (qsizetype i = 1; i < quoted.size() - 1; ++i) {
        if (quoted[i] == u'`') {
            if (quoted[i + 1] != u'`' || i + 1 == quoted.size() - 1)
                return {};
            ++i;
        }
        name += quoted[i];
    }
    return name;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString name = Utf16(data, size);
    const QString reference = TableReference(name);
    FUZZ_CHECK(BrowseStatement(name) == QStringLiteral("select * from ") + reference);
    if (name.isEmpty()) {
        FUZZ_CHECK(reference.isEmpty());
        return 0;
    }
    if (reference == name) {
        // Unquoted: nothing in it may end the name or start anything else.
        for (const QChar c : name)
            FUZZ_CHECK(UnquotedIdentifierChar(c));
        bool digitsOnly = true;
        for (const QChar c : name)
            digitsOnly = digitsOnly && c >= u'0' && c <= u'9';
        FUZZ_CHECK(!digitsOnly);
    } else {
        FUZZ_CHECK(Unquote(reference) == name);
    }
    return 0;
}
