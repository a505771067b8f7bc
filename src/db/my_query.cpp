#include "my_query.h"

#include <mysql.h>
#include <mysqld_error.h>

#include <algorithm>
#include <new>

#include "column_names.h"
#include "my_connection.h"

namespace {

struct StatementCloser {
    void operator()(MYSQL_STMT* statement) const { mysql_stmt_close(statement); }
};
using Statement = std::unique_ptr<MYSQL_STMT, StatementCloser>;

struct ResultFreer {
    void operator()(MYSQL_RES* result) const { mysql_free_result(result); }
};

// Room for a BIT value; a longer one (a reply gone wrong) is read again into a grown buffer.
constexpr std::size_t kBitBytes = 8;

std::vector<FieldInfo> fieldsOf(const MYSQL_FIELD* fields, unsigned count)
{
    QStringList names;
    for (unsigned i = 0; i < count; ++i)
        names.append(QString::fromUtf8(fields[i].name, qsizetype(fields[i].name_length)));
    names = UniqueColumnNames(names);
    std::vector<FieldInfo> columns(count);
    for (unsigned i = 0; i < count; ++i) {
        const MYSQL_FIELD& f = fields[i];
        columns[i] = FieldInfo{names[qsizetype(i)], int(f.type), f.length, f.flags, f.charsetnr, f.decimals};
    }
    return columns;
}

// Where mysql_stmt_fetch() puts one row: a native slot for each number and date. A string (and
// DECIMAL, which comes as text) is only measured by the fetch, then copied by the library straight
// into its room in the result; a BIT value comes as bytes into a buffer of its own.
class RowBuffer {
public:
    explicit RowBuffer(const ResultSet& result) : slots_(std::size_t(result.columnCount())), binds_(slots_.size())
    {
        for (int c = 0; c < result.columnCount(); ++c) {
            Slot& slot = slots_[std::size_t(c)];
            MYSQL_BIND& bind = binds_[std::size_t(c)];
            bind.is_null = &slot.null;
            bind.length = &slot.length;
            bind.error = &slot.error;
            const ValueKind kind = slot.kind = result.kind(c);
            if (result.field(c).type == MYSQL_TYPE_BIT) {
                slot.bits.resize(kBitBytes);
                bind.buffer_type = MYSQL_TYPE_STRING;
                bind.buffer = slot.bits.data();
                bind.buffer_length = static_cast<unsigned long>(slot.bits.size());
                continue;
            }
            switch (kind) {
            case ValueKind::Signed:
            case ValueKind::Unsigned:
                bind.buffer_type = MYSQL_TYPE_LONGLONG;
                bind.buffer = &slot.value.integer;
                bind.is_unsigned = kind == ValueKind::Unsigned;
                break;
            case ValueKind::Float:
                bind.buffer_type = MYSQL_TYPE_FLOAT;
                bind.buffer = &slot.value.real32;
                break;
            case ValueKind::Double:
                bind.buffer_type = MYSQL_TYPE_DOUBLE;
                bind.buffer = &slot.value.real64;
                break;
            case ValueKind::Date:
                bind.buffer_type = MYSQL_TYPE_DATE;
                bind.buffer = &slot.value.time;
                break;
            case ValueKind::Time:
                bind.buffer_type = MYSQL_TYPE_TIME;
                bind.buffer = &slot.value.time;
                break;
            case ValueKind::DateTime:
                bind.buffer_type = MYSQL_TYPE_DATETIME;
                bind.buffer = &slot.value.time;
                break;
            case ValueKind::Bytes:
                bind.buffer_type = MYSQL_TYPE_STRING; // no buffer: the fetch gives the length
                break;
            }
        }
    }
    RowBuffer(const RowBuffer&) = delete;
    RowBuffer& operator=(const RowBuffer&) = delete;

    MYSQL_BIND* binds() { return binds_.data(); }

    // Moves the fetched row into `result`; false when the library failed to hand over a value
    // (the statement holds the error).
    bool moveInto(MYSQL_STMT* statement, ResultSet& result)
    {
        bool grown = false;
        for (int c = 0; c < int(slots_.size()); ++c) {
            Slot& slot = slots_[std::size_t(c)];
            if (slot.null) {
                result.appendNull(c);
                continue;
            }
            if (!slot.bits.empty()) {
                if (slot.length > slot.bits.size()) {
                    slot.bits.resize(slot.length);
                    if (!fetchColumn(statement, c, slot.bits.data(), slot.length))
                        return false;
                    grown = true;
                }
                result.appendText(c, slot.bits.data(), slot.length); // the bytes, most significant first
                continue;
            }
            switch (const ValueKind kind = slot.kind) {
            case ValueKind::Signed: result.appendSigned(c, slot.value.integer); break;
            case ValueKind::Unsigned: result.appendUnsigned(c, quint64(slot.value.integer)); break;
            case ValueKind::Float: result.appendFloat(c, slot.value.real32); break;
            case ValueKind::Double: result.appendDouble(c, slot.value.real64); break;
            case ValueKind::Date:
            case ValueKind::Time:
            case ValueKind::DateTime: result.appendTemporal(c, temporalOf(slot.value.time, kind)); break;
            case ValueKind::Bytes:
                if (char* room = result.appendBytesRoom(c, slot.length); room && !fetchColumn(statement, c, room, slot.length))
                    return false;
                break;
            }
        }
        result.endRow();
        // The library holds a copy of the binds: give it a grown buffer for the rows to come.
        if (grown) {
            for (std::size_t c = 0; c < slots_.size(); ++c) {
                if (!slots_[c].bits.empty()) {
                    binds_[c].buffer = slots_[c].bits.data();
                    binds_[c].buffer_length = static_cast<unsigned long>(slots_[c].bits.size());
                }
            }
            return mysql_stmt_bind_result(statement, binds_.data()) == 0;
        }
        return true;
    }

private:
    struct Slot {
        union {
            qint64 integer;
            float real32;
            double real64;
            MYSQL_TIME time;
        } value{};
        ValueKind kind = ValueKind::Bytes;
        std::vector<char> bits; // BIT columns only
        unsigned long length = 0;
        my_bool null = 0;
        my_bool error = 0;
    };

    // Has the library copy the current row's value of a column to `target`.
    bool fetchColumn(MYSQL_STMT* statement, int c, char* target, unsigned long length)
    {
        MYSQL_BIND bind = binds_[std::size_t(c)];
        bind.buffer = target;
        bind.buffer_length = length;
        return mysql_stmt_fetch_column(statement, &bind, unsigned(c), 0) == 0;
    }

    // By the column's type: the library's time_type does not always say what the value is.
    static TemporalValue temporalOf(const MYSQL_TIME& time, ValueKind kind)
    {
        TemporalValue value;
        if (kind != ValueKind::Time) {
            value.year = int(time.year);
            value.month = int(time.month);
            value.day = int(time.day);
        }
        if (kind != ValueKind::Date) {
            value.hour = int(time.hour); // a TIME's days are already counted in
            value.minute = int(time.minute);
            value.second = int(time.second);
            value.microsecond = int(time.second_part);
            value.negative = kind == ValueKind::Time && time.neg;
        }
        return value;
    }

    std::vector<Slot> slots_;
    std::vector<MYSQL_BIND> binds_;
};

} // namespace

TMyQuery::TMyQuery(TMyConnection& connection, QObject* parent) : QObject(parent), connection_(connection)
{
    connection_.attach(this);
}

TMyQuery::~TMyQuery() { connection_.detach(this); }

void TMyQuery::Open()
{
    Close();
    if (!runPrepared())
        run();
}

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
    // A surrogate without its other half (a paste can bring one) goes as U+FFFD, where toUtf8()
    // would send "?".
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            text[i] = QChar::ReplacementCharacter;
    }
    return text.toUtf8();
}

void TMyQuery::hold(std::unique_ptr<ResultSet> result)
{
    if (!result)
        return;
    result_ = std::move(result);
    emit activeChanged(true);
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
    hold(std::move(result));
}

bool TMyQuery::runPrepared()
{
    const QByteArray text = statementText();
    const Statement statement(mysql_stmt_init(connection_.handle()));
    if (!statement)
        throw std::bad_alloc();
    // The statement goes to the server once, to be prepared; it runs at the execute. A server
    // (or a proxy) that cannot prepare it says so before anything ran.
    if (mysql_stmt_prepare(statement.get(), text.constData(), static_cast<unsigned long>(text.size())) != 0) {
        if (mysql_stmt_errno(statement.get()) == ER_UNSUPPORTED_PS)
            return false;
        connection_.raiseStatementError(statement.get());
    }
    if (mysql_stmt_execute(statement.get()) != 0)
        connection_.raiseStatementError(statement.get());
    if (mysql_stmt_field_count(statement.get()) != 0)
        hold(fetch(statement.get()));
    return true;
}

std::unique_ptr<ResultSet> TMyQuery::fetch(MYSQL* mysql, MYSQL_RES* rows)
{
    auto result = std::make_unique<ResultSet>(fieldsOf(mysql_fetch_fields(rows), mysql_num_fields(rows)));
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

std::unique_ptr<ResultSet> TMyQuery::fetch(MYSQL_STMT* statement)
{
    const std::unique_ptr<MYSQL_RES, ResultFreer> metadata(mysql_stmt_result_metadata(statement));
    if (!metadata)
        connection_.raiseStatementError(statement);
    auto result = std::make_unique<ResultSet>(
        fieldsOf(mysql_fetch_fields(metadata.get()), mysql_num_fields(metadata.get())));
    RowBuffer row(*result);
    if (mysql_stmt_bind_result(statement, row.binds()) != 0)
        connection_.raiseStatementError(statement);
    // Row by row as the server sends them, so that storing overlaps the server's work.
    for (;;) {
        const int status = mysql_stmt_fetch(statement);
        if (status == MYSQL_NO_DATA)
            break;
        // The rows ended early: the connection broke, or the server gave up on the statement.
        // The library leaves the error of a failed row read on the session, not the statement.
        if (status == 1)
            connection_.raiseLastError();
        bool moved = false;
        try {
            moved = row.moveInto(statement, *result);
        } catch (...) {
            // Closing the statement would read every row still to come: drop the session instead.
            connection_.Disconnect();
            throw;
        }
        if (!moved)
            connection_.raiseStatementError(statement);
    }
    result->finish();
    return result;
}
