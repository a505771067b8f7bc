#include "table_ref.h"

#include <QRegularExpression>

namespace {

// What the server accepts unquoted: ASCII letters, digits, "_", "$" and any character of the
// Basic Multilingual Plane above U+007F. A surrogate half means a character beyond that plane,
// which identifiers cannot hold unquoted.
bool IsIdentifierChar(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= 0x80)
        return !c.isSurrogate();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9')
           || u == u'_' || u == u'$';
}

// Names the server's lexer takes for a number, or whose start it takes for one: all digits,
// digits followed by an exponent ("1e5", "1e5x"), and whole hexadecimal or bit literals.
bool ReadsAsNumber(const QString& name)
{
    static const QRegularExpression number(
        QStringLiteral("^(?:[0-9]+(?:[eE][0-9].*)?|0x[0-9A-Fa-f]+|0b[01]+)$"),
        QRegularExpression::DotMatchesEverythingOption);
    return number.match(name).hasMatch();
}

bool IsPlainIdentifier(const QString& name)
{
    for (const QChar c : name) {
        if (!IsIdentifierChar(c))
            return false;
    }
    return !ReadsAsNumber(name);
}

} // namespace

QString TableReference(const QString& name)
{
    if (name.isEmpty() || IsPlainIdentifier(name))
        return name;
    QString quoted = name;
    quoted.replace(u'`', QStringLiteral("``"));
    return u'`' + quoted + u'`';
}

QString BrowseStatement(const QString& table)
{
    return QStringLiteral("select * from ") + TableReference(table);
}
