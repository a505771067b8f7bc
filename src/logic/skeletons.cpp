#include "skeletons.h"

#include "table_ref.h"

namespace {

// Backslashes first, so that the doubling of quotes adds none to escape.
QString DoubleQuotedValue(QString value)
{
    value.replace(u'\\', QStringLiteral("\\\\"));
    value.replace(u'"', QStringLiteral("\"\""));
    return u'"' + value + u'"';
}

} // namespace

QStringList SelectSkeleton(const QString& table)
{
    return {BrowseStatement(table)};
}

QStringList InsertSkeleton(const QString& table, const QStringList& columnHeaders)
{
    QStringList names;
    QStringList values;
    for (const QString& header : columnHeaders) {
        names.append(TableReference(header));
        values.append(QStringLiteral("\"\""));
    }
    return {QStringLiteral("insert into ") + TableReference(table),
            u'(' + names.join(u',') + QStringLiteral(") values "),
            u'(' + values.join(u',') + u')'};
}

QStringList DeleteSkeleton(const QString& table, const QString& keyColumn, const QString& keyValue)
{
    return {QStringLiteral("delete from ") + TableReference(table) + QStringLiteral(" where ")
            + TableReference(keyColumn) + QStringLiteral(" = ") + DoubleQuotedValue(keyValue)};
}
