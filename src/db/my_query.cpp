#include "my_query.h"

#include <mysql.h>

#include "column_names.h"
#include "my_connection.h"

TMyQuery::TMyQuery(TMyConnection& connection, QObject* parent) : QObject(parent), connection_(connection)
{
    connection_.attach(this);
}

TMyQuery::~TMyQuery() { connection_.detach(this); }

void TMyQuery::Open() { run(); }

void TMyQuery::Execute() { run(); }

void TMyQuery::Close()
{
    if (!result_)
        return;
    result_.reset();
    emit activeChanged(false);
}

QByteArray TMyQuery::statementText() const
{
    QString text = SQL.join(QStringLiteral("\r\n"));
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1).unicode() <= 32)
        --end;
    text.truncate(end);
    return text.toUtf8();
}

void TMyQuery::run()
{
    Close();
    const QByteArray text = statementText();
    MYSQL* mysql = connection_.handle();
    if (mysql_real_query(mysql, text.constData(), static_cast<unsigned long>(text.size())) != 0)
        connection_.raiseLastError();
    // Every result of a text of several statements is read, or the session would be out of step;
    // the first one is the query's.
    std::unique_ptr<ResultSet> result;
    for (;;) {
        if (mysql_field_count(mysql) != 0) {
            MYSQL_RES* rows = mysql_use_result(mysql);
            if (!rows)
                connection_.raiseLastError();
            if (result) {
                mysql_free_result(rows); // reads the rows and drops them
                if (mysql_errno(mysql) != 0)
                    connection_.raiseLastError();
            } else {
                result = fetch(mysql, rows);
            }
        }
        const int next = mysql_next_result(mysql);
        if (next < 0)
            break;
        if (next > 0)
            connection_.raiseLastError();
    }
    if (result) {
        result_ = std::move(result);
        emit activeChanged(true);
    }
}

std::unique_ptr<ResultSet> TMyQuery::fetch(MYSQL* mysql, MYSQL_RES* rows)
{
    const unsigned count = mysql_num_fields(rows);
    const MYSQL_FIELD* fields = mysql_fetch_fields(rows);
    QStringList names;
    for (unsigned i = 0; i < count; ++i)
        names.append(QString::fromUtf8(fields[i].name, qsizetype(fields[i].name_length)));
    names = UniqueColumnNames(names);
    std::vector<FieldInfo> columns(count);
    for (unsigned i = 0; i < count; ++i) {
        const MYSQL_FIELD& f = fields[i];
        columns[i] = FieldInfo{names[qsizetype(i)], int(f.type), f.length, f.flags, f.charsetnr, f.decimals};
    }
    auto result = std::make_unique<ResultSet>(std::move(columns));
    try {
        while (MYSQL_ROW row = mysql_fetch_row(rows))
            result->appendTextRow(row, mysql_fetch_lengths(rows));
    } catch (...) {
        // A reply this program cannot read: the session is not to be trusted any further.
        mysql_free_result(rows);
        connection_.Disconnect();
        throw;
    }
    // The rows ended early: the connection broke, or the server gave up on the statement.
    if (mysql_errno(mysql) != 0)
        connection_.raiseLastError(rows);
    mysql_free_result(rows);
    result->finish();
    return result;
}
