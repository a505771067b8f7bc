// The statement skeletons on any table, column names and key value: each name must stay one
// name and the key value one string that reads back as exactly that value.
#include <optional>

#include "fuzz_input.h"
#include "skeletons.h"
#include "table_ref.h"

namespace {

// The value of a double-quoted string literal as the server reads it (backslash escapes, a
// doubled quote for a quote); none when the text is not exactly one such literal.
std::optional<QString> ReadDoubleQuoted(const QString& literal)
{
    if (literal.size() < 2 || literal.front() != u'"' || literal.back() != u'"')
        return {};
    QString value;
    const qsizetype end = literal.size() - 1;
    for (qsizetype i = 1; i < end; ++i) {
        if (literal[i] == u'\\' || literal[i] == u'"') {
            if (i + 1 == end || (literal[i] == u'"' && literal[i + 1] != u'"'))
                return {}; // escapes the closing quote, or ends the string early
            ++i;
        }
        value += literal[i];
    }
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The table, the key column, the key value, then the grid's column titles.
    QStringList parts = Utf16List(data, size);
    while (parts.size() < 3)
        parts.append(QString());
    const QString& table = parts[0];
    const QString& keyColumn = parts[1];
    const QString& keyValue = parts[2];
    const QStringList headers = parts.mid(3);

    FUZZ_CHECK(SelectSkeleton(table) == QStringList{BrowseStatement(table)});

    const QStringList insert = InsertSkeleton(table, headers);
    FUZZ_CHECK(insert.size() == 3);
    FUZZ_CHECK(insert[0] == QStringLiteral("insert into ") + TableReference(table));
    QStringList references;
    for (const QString& header : headers)
        references.append(TableReference(header));
    FUZZ_CHECK(insert[1] == u'(' + references.join(u',') + QStringLiteral(") values "));
    FUZZ_CHECK(insert[2] == u'(' + QStringList(headers.size(), QStringLiteral("\"\"")).join(u',') + u')');

    const QStringList remove = DeleteSkeleton(table, keyColumn, keyValue);
    FUZZ_CHECK(remove.size() == 1);
    const QString head = QStringLiteral("delete from ") + TableReference(table) + QStringLiteral(" where ")
                         + TableReference(keyColumn) + QStringLiteral(" = ");
    FUZZ_CHECK(remove[0].startsWith(head));
    FUZZ_CHECK(ReadDoubleQuoted(remove[0].mid(head.size())) == keyValue);
    return 0;
}
