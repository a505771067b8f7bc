// Running statements through TMyQuery on the test server.
#include <gtest/gtest.h>

#include <mysql.h>

#include <QLocale>
#include <QSet>

#include "display_text.h"
#include "my_connection.h"
#include "my_data_source.h"
#include "my_query.h"
#include "raises.h"
#include "test_server.h"

namespace {

// The activeChanged signals an object emits.
template <typename Emitter>
struct Signals {
    explicit Signals(Emitter& emitter)
    {
        QObject::connect(&emitter, &Emitter::activeChanged, [this](bool active) { seen.push_back(active); });
    }
    std::vector<bool> seen;
};

class Query : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        test_server::exec("create database if not exists qtest; use qtest;"
                          "create or replace table t (id int primary key, name varchar(20));"
                          "insert into t values (1, 'one'), (2, 'two'), (3, 'three');"
                          "create or replace table t2 (id int);"
                          "create or replace table enc (v varchar(50)) character set utf8mb4");
    }

    void SetUp() override
    {
        connection.Server = test_server::host();
        connection.Username = QStringLiteral("root");
        connection.Password = test_server::password();
        connection.Database = QStringLiteral("qtest");
    }

    static void run(TMyQuery& query, const QString& sql, bool open = true)
    {
        query.Close();
        query.SQL.clear();
        query.SQL << sql;
        if (open)
            query.Open();
        else
            query.Execute();
    }

    // Every value of the held result as text ("NULL" for NULL); no floats or dates are wanted here.
    static std::vector<QStringList> texts(const TMyQuery& query)
    {
        std::vector<QStringList> rows;
        const ResultSet* result = query.Result();
        for (qsizetype r = 0; result && r < result->rowCount(); ++r) {
            QStringList row;
            for (int c = 0; c < result->columnCount(); ++c) {
                if (result->isNull(r, c))
                    row << "NULL";
                else if (result->kind(c) == ValueKind::Signed)
                    row << QString::number(result->signedValue(r, c));
                else if (result->kind(c) == ValueKind::Unsigned)
                    row << QString::number(result->unsignedValue(r, c));
                else
                    row << QString::fromUtf8(result->bytesValue(r, c).toByteArray());
            }
            rows.push_back(row);
        }
        return rows;
    }

    static QStringList names(const TMyQuery& query)
    {
        QStringList list;
        for (int c = 0; query.Result() && c < query.Result()->columnCount(); ++c)
            list << query.Result()->field(c).name;
        return list;
    }

    TMyConnection connection;
};

TEST_F(Query, AReplyWithAResultSetLeavesTheQueryOpenEvenWithoutRows)
{
    struct Case {
        QString sql;
        bool active;
        QStringList names;
        std::vector<QStringList> rows;
    };
    const Case cases[] = {
        {"select id, name from t order by id", true, {"id", "name"}, {{"1", "one"}, {"2", "two"}, {"3", "three"}}},
        {"select * from t where id < 0", true, {"id", "name"}, {}},
        {"select id, name as ID, null, 'x' as `` from t where id = 2", true, {"id", "ID_1", "NULL", "_0"},
         {{"2", "two", "NULL", "x"}}},
        {"show tables like 't2'", true, {"Tables_in_qtest (t2)"}, {{"t2"}}},
        {"insert into t2 values (7)", false, {}, {}},
        {"set @a = 1", false, {}, {}},
    };
    for (const bool open : {true, false}) {
        for (const Case& c : cases) {
            TMyQuery query(connection);
            Signals changes(query);
            run(query, c.sql, open);
            EXPECT_EQ(query.Active(), c.active) << c.sql.toStdString();
            EXPECT_EQ(changes.seen, c.active ? std::vector<bool>{true} : std::vector<bool>{});
            EXPECT_EQ(names(query), c.names);
            EXPECT_EQ(texts(query), c.rows) << c.sql.toStdString();
        }
    }
}

TEST_F(Query, TheTextIsTheLinesJoinedByCrLfWithTrailingBlanksRemoved)
{
    TMyQuery query(connection);
    query.SQL << "select info from information_schema.processlist" << "where id = connection_id() \t"
              << "" << " \r\n\x01";
    query.Open();
    EXPECT_EQ(texts(query), (std::vector<QStringList>{
                                {"select info from information_schema.processlist\r\nwhere id = connection_id()"}}));
}

TEST_F(Query, AFailingStatementRaisesAndLeavesTheQueryClosed)
{
    TMyQuery query(connection);
    Signals changes(query);
    run(query, "select 1");
    query.SQL.clear();
    query.SQL << "select * from missing";
    EXPECT_EQ(raised([&] { query.Execute(); }), "\r\n#42S02Table 'qtest.missing' doesn't exist");
    EXPECT_FALSE(query.Active());
    EXPECT_EQ(changes.seen, (std::vector<bool>{true, false}));
    EXPECT_TRUE(connection.Connected());
}

// The first result of a text of several statements is the query's; the others are read and
// dropped, so that the next statement finds the session in step.
TEST_F(Query, SeveralStatementsInOneText)
{
    struct Case {
        QString sql;
        QString error;
        std::vector<QStringList> rows;
        QString t2;
    };
    const Case cases[] = {
        {"delete from t2; insert into t2 values (1), (2); delete from t2 where id = 1; select count(*) from t2", "",
         {{"1"}}, "2"},
        {"delete from t2; select count(*) from t2", "", {{"0"}}, ""},
        {"select 1; select * from missing", "\r\n#42S02Table 'qtest.missing' doesn't exist", {}, ""},
        {"insert into t2 values (5); select id from t where id < 3 order by id; select 'dropped'; "
         "insert into t2 values (6); select name from t",
         "", {{"1"}, {"2"}}, "5,6"},
        {"delete from t2; insert into t2 values (8); select * from t; insert into missing values (1); "
         "insert into t2 values (9)",
         "\r\n#42S02Table 'qtest.missing' doesn't exist", {}, "8"},
    };
    TMyQuery query(connection);
    for (const Case& c : cases) {
        EXPECT_EQ(raised([&] { run(query, c.sql, false); }), c.error.isEmpty() ? "(nothing raised)" : c.error);
        EXPECT_EQ(query.Active(), c.error.isEmpty());
        EXPECT_EQ(texts(query), c.rows) << c.sql.toStdString();
        EXPECT_EQ(test_server::value("select group_concat(id order by id) from qtest.t2"), c.t2);
        run(query, "select 'in step'");
        EXPECT_EQ(texts(query), (std::vector<QStringList>{{"in step"}}));
    }
}

// A mend of this system: statements go out as UTF-8, and results and errors are read as UTF-8.
TEST_F(Query, TextTravelsAsUtf8BothWays)
{
    const QString ours = QStringLiteral("한국어 텍스트 😀"), theirs = QStringLiteral("다른 클라이언트 🎉");
    test_server::exec("delete from qtest.enc");
    TMyQuery query(connection);
    run(query, "insert into enc values ('" + ours + "')", false);
    EXPECT_EQ(test_server::value("select hex(v) from qtest.enc"), QString::fromLatin1(ours.toUtf8().toHex().toUpper()));

    test_server::exec("delete from qtest.enc; insert into qtest.enc values ('" + theirs + "')");
    run(query, "select v as 값 from enc");
    ASSERT_TRUE(query.Active());
    EXPECT_EQ(query.Result()->bytesValue(0, 0), theirs.toUtf8());
    EXPECT_EQ(names(query), QStringList{"값"});

    EXPECT_EQ(raised([&] { run(query, "select * from 없는표"); }), "\r\n#42S02Table 'qtest.없는표' doesn't exist");
}

TEST_F(Query, DisconnectClosesEveryQueryOnTheConnection)
{
    TMyConnection other;
    other.Server = connection.Server;
    other.Username = connection.Username;
    other.Password = connection.Password;
    TMyQuery first(connection), second(connection), elsewhere(other);
    TMyDataSource source(first);
    Signals firstChanges(first), secondChanges(second);
    Signals sourceChanges(source);
    run(first, "select 1");
    run(second, "select 2");
    run(elsewhere, "select 3");
    connection.Disconnect();
    EXPECT_FALSE(connection.Connected());
    EXPECT_FALSE(first.Active());
    EXPECT_FALSE(second.Active());
    EXPECT_EQ(firstChanges.seen, (std::vector<bool>{true, false}));
    EXPECT_EQ(sourceChanges.seen, (std::vector<bool>{true, false}));
    EXPECT_EQ(secondChanges.seen, (std::vector<bool>{true, false}));
    EXPECT_TRUE(elsewhere.Active());
    EXPECT_TRUE(other.Connected());
}

TEST_F(Query, AQueryConnectsItsConnectionWithTheSettingsItHoldsThen)
{
    for (const bool open : {true, false}) {
        TMyConnection fresh;
        TMyQuery query(fresh);
        fresh.Server = test_server::host();
        fresh.Username = QStringLiteral("root");
        fresh.Password = test_server::password();
        fresh.Database = QStringLiteral("qtest");
        run(query, "select database()", open);
        EXPECT_TRUE(fresh.Connected());
        fresh.Database = QStringLiteral("mysql"); // read at the next connect, not now
        run(query, "select database()", open);
        EXPECT_EQ(texts(query), (std::vector<QStringList>{{"qtest"}}));
    }
    TMyConnection refused;
    refused.Server = test_server::host();
    refused.Username = QStringLiteral("root");
    refused.Password = QStringLiteral("Not-the-pw");
    TMyQuery query(refused);
    EXPECT_TRUE(raised([&] { run(query, "select 1"); }).startsWith("\r\n#28000Access denied for user 'root'@"));
    EXPECT_FALSE(refused.Connected());
    EXPECT_FALSE(query.Active());
}

// A session the server ended is not kept: the failing statement raises, the connection reports
// itself disconnected, and the next statement logs in afresh.
TEST_F(Query, AConnectionTheServerDroppedIsNotKeptConnected)
{
    for (const bool open : {true, false}) {
        TMyQuery query(connection), other(connection);
        run(other, "select 1");
        run(query, "select connection_id()");
        const QString id = texts(query).front().front();
        test_server::exec("kill connection " + id);
        const QString message = raised([&] { run(query, "select 1", open); });
        EXPECT_TRUE(message == "Lost connection to MySQL server during query"
                    || message == "\r\n#70100Connection was killed")
            << message.toStdString();
        EXPECT_FALSE(connection.Connected());
        EXPECT_FALSE(other.Active());
        run(query, "select connection_id()", open);
        EXPECT_TRUE(connection.Connected());
        EXPECT_NE(texts(query).front().front(), id);
    }
}

// Only the login has a time limit.
TEST_F(Query, AStatementMayRunLongerThan15Seconds)
{
    TMyQuery query(connection);
    run(query, "select sleep(16) as slept");
    EXPECT_EQ(texts(query), (std::vector<QStringList>{{"0"}}));
}

TEST_F(Query, AllRowsOfABigResultAreHeld)
{
    TMyQuery query(connection);
    run(query, "select seq, repeat(char(65 + seq % 26), seq % 100), if(seq % 10 = 0, null, seq * 2) "
               "from seq_1_to_200000");
    const ResultSet* result = query.Result();
    ASSERT_EQ(result->rowCount(), 200000);
    for (const qsizetype row : {qsizetype(0), qsizetype(9), qsizetype(123456), qsizetype(199999)}) {
        const qint64 seq = row + 1;
        EXPECT_EQ(result->signedValue(row, 0), seq);
        EXPECT_EQ(result->bytesValue(row, 1), QByteArray(int(seq % 100), char(65 + seq % 26)));
        EXPECT_EQ(result->isNull(row, 2), seq % 10 == 0);
        if (seq % 10 != 0) {
            EXPECT_EQ(result->signedValue(row, 2), seq * 2);
        }
    }
}

// The server gives up on a statement after it has sent rows: the rows so far are not shown.
TEST_F(Query, AnErrorAmidTheRowsRaisesAndLeavesTheQueryClosed)
{
    for (const bool open : {true, false}) {
        TMyQuery query(connection);
        EXPECT_EQ(raised([&] { run(query, "select seq, if(seq < 100000, seq, (select 1 union select 2)) "
                                          "from seq_1_to_100001", open); }),
                  "\r\n#21000Subquery returns more than 1 row");
        EXPECT_FALSE(query.Active());
        run(query, "select 'in step'", open);
        EXPECT_EQ(texts(query), (std::vector<QStringList>{{"in step"}}));
    }
}

// Numbers and dates arrive as text and are held in their native size, read back by the column's type.
TEST_F(Query, ValuesAreHeldByTheirColumnsType)
{
    test_server::exec(
        "set session sql_mode = ''; use qtest;"
        "create or replace table types (ti tinyint, ubi bigint unsigned, yr year, bt bit(12), f float, d double,"
        " de decimal(10,2), da date, ti6 time(6), dt3 datetime(3), ts timestamp null, zd date, zdt datetime, bl blob);"
        "insert into types values (-128, 18446744073709551615, 2024, b'101010101010', 1.1, -2.5e-300, -12345678.90,"
        " '2024-02-29', '-838:59:59.000001', '9999-12-31 23:59:59.999', '2038-01-19 03:14:07', '0000-00-00',"
        " '0000-00-00 00:00:00', x'00ff00');"
        "insert into types () values ()");
    TMyQuery query(connection);
    run(query, "select * from types");
    const ResultSet* r = query.Result();
    ASSERT_EQ(r->rowCount(), 2);
    const ValueKind kinds[] = {ValueKind::Signed, ValueKind::Unsigned, ValueKind::Signed, ValueKind::Unsigned,
                               ValueKind::Float, ValueKind::Double, ValueKind::Bytes, ValueKind::Date,
                               ValueKind::Time, ValueKind::DateTime, ValueKind::DateTime, ValueKind::Date,
                               ValueKind::DateTime, ValueKind::Bytes};
    ASSERT_EQ(r->columnCount(), int(std::size(kinds)));
    for (int c = 0; c < r->columnCount(); ++c) {
        EXPECT_EQ(r->kind(c), kinds[c]) << c;
        EXPECT_TRUE(r->isNull(1, c)) << c;
    }
    EXPECT_EQ(r->signedValue(0, 0), -128);
    EXPECT_EQ(r->unsignedValue(0, 1), 18446744073709551615u);
    EXPECT_EQ(r->signedValue(0, 2), 2024);
    EXPECT_EQ(r->unsignedValue(0, 3), 0xaaau);
    EXPECT_EQ(r->floatValue(0, 4), 1.1f);
    EXPECT_EQ(r->doubleValue(0, 5), -2.5e-300);
    EXPECT_EQ(r->bytesValue(0, 6), "-12345678.90");
    EXPECT_EQ(r->field(6).decimals, 2u);
    const TemporalValue date = r->temporalValue(0, 7);
    EXPECT_EQ((QList<int>{date.year, date.month, date.day}), (QList<int>{2024, 2, 29}));
    const TemporalValue time = r->temporalValue(0, 8);
    EXPECT_TRUE(time.negative);
    EXPECT_EQ((QList<int>{time.hour, time.minute, time.second, time.microsecond}), (QList<int>{838, 59, 59, 1}));
    EXPECT_EQ(r->field(8).decimals, 6u);
    const TemporalValue moment = r->temporalValue(0, 9);
    EXPECT_EQ((QList<int>{moment.year, moment.month, moment.day, moment.hour, moment.minute, moment.second,
                          moment.microsecond}),
              (QList<int>{9999, 12, 31, 23, 59, 59, 999000}));
    EXPECT_EQ(r->temporalValue(0, 10).year, 2038);
    EXPECT_TRUE(r->isNull(0, 11)); // zero dates are held as NULL
    EXPECT_TRUE(r->isNull(0, 12));
    EXPECT_EQ(r->bytesValue(0, 13), QByteArray("\0\xff\0", 3));
    EXPECT_EQ(r->field(13).charsetnr, 63u);
}

// A statement the server cannot prepare (an old server, a proxy; here a prepared statement of the
// session's own) is run as typed instead, and only once.
TEST_F(Query, OpenRunsAStatementTheServerCannotPrepareAsTyped)
{
    TMyQuery query(connection);
    run(query, "delete from t2; prepare ins from 'insert into t2 values (4)'; prepare sel from 'select count(*) from t2'",
        false);
    run(query, "execute ins");
    EXPECT_FALSE(query.Active());
    run(query, "execute sel");
    EXPECT_EQ(texts(query), (std::vector<QStringList>{{"1"}}));
}

// The program opens its own statements over the binary protocol and runs typed ones over the text
// protocol: what a value shows must not depend on which brought it.
TEST_F(Query, EveryTypeShowsTheSameOverBothProtocols)
{
    test_server::exec(
        "set session sql_mode = ''; use qtest;"
        "create or replace table every (b1 tinyint(1), ti tinyint, us smallint unsigned, mi mediumint, i int,"
        " zf int(6) zerofill, bi bigint, ubi bigint unsigned, yr year, bt bit(12), bt64 bit(64), f float,"
        " ff float(7,2), d double, df double(10,3), de decimal(10,2), dw decimal(30,10), da date, t time,"
        " t3 time(3), dt datetime, dt6 datetime(6), ts timestamp null, ts2 timestamp(2) null, c char(5),"
        " vc varchar(40), bn binary(4), vb varbinary(10), tx text, mb mediumblob, en enum('a','b'), st set('x','y'));"
        "insert into every values (1, -128, 65535, -8388608, -2147483648, 42, -9223372036854775808,"
        " 18446744073709551615, 2024, b'101010101010', b'1111111111111111111111111111111111111111111111111111111111111111',"
        " 1.1, 12345.67, 0.1, 1.5, -12345678.90, 12345678901234567890.0123456789, '2024-02-29', '838:59:59',"
        " '-01:00:00.5', '2024-01-31 00:00:00', '9999-12-31 23:59:59.999999', '2038-01-19 03:14:07',"
        " '2000-01-01 12:00:00.25', 'ab', '한국어 😀', x'00ff', x'c328', 'short', x'ff00', 'b', 'x,y'),"
        " (0, 127, 0, 0, 0, 0, 0, 0, 1901, b'0', b'0', -3.4e38, -0.01, 1e300, -0.5, 0, 0, '0000-00-00', '100:00:00',"
        " '-00:00:00.001', '0000-00-00 00:00:00', '2024-06-01 08:05:03.000001', '1970-01-01 00:00:01', null, '', '',"
        " '', '', repeat('long ', 300), repeat(x'ab', 70000), 'a', '');"
        "insert into every () values ()");
    TMyQuery binary(connection), text(connection), status(connection);
    const auto executed = [&] {
        run(status, "show session status like 'Com_stmt_execute'", false);
        return texts(status).at(0).at(1);
    };
    const QString before = executed();
    run(binary, "select * from every");
    EXPECT_NE(executed(), before) << "Open did not run a prepared statement";
    run(text, "select * from every", false);
    const ResultSet* b = binary.Result();
    const ResultSet* t = text.Result();
    ASSERT_TRUE(b && t);
    ASSERT_EQ(b->rowCount(), 3);
    ASSERT_EQ(t->rowCount(), 3);
    ASSERT_EQ(b->columnCount(), t->columnCount());
    for (int c = 0; c < b->columnCount(); ++c) {
        EXPECT_EQ(b->kind(c), t->kind(c)) << b->field(c).name.toStdString();
        for (qsizetype r = 0; r < 3; ++r)
            EXPECT_EQ(DisplayText(*b, r, c, MemoText::Whole), DisplayText(*t, r, c, MemoText::Whole))
                << b->field(c).name.toStdString() << " row " << r;
    }

    // Both could be wrong alike: a few cells as the display-text rules have them.
    const auto shown = [&](const char* name, qsizetype row) {
        for (int c = 0; c < b->columnCount(); ++c)
            if (b->field(c).name == QLatin1String(name))
                return DisplayText(*b, row, c, MemoText::Whole);
        return QStringLiteral("(no column %1)").arg(QLatin1String(name));
    };
    const QString point = QLocale::system().decimalPoint();
    const std::pair<const char*, QString> firstRow[] = {
        {"b1", "True"}, {"ubi", "18446744073709551615"}, {"zf", "42"}, {"bt", "2730"},
        {"bt64", "18446744073709551615"}, {"f", "1" + point + "1"}, {"ff", "12345" + point + "67"},
        {"df", "1" + point + "5"}, {"t", "838:59:59"}, {"t3", "-01:00:00" + point + "500"}, {"st", "x,y"},
    };
    for (const auto& [name, expected] : firstRow)
        EXPECT_EQ(shown(name, 0), expected) << name;
    EXPECT_EQ(shown("t", 1), "100:00:00");
    EXPECT_EQ(shown("da", 1), ""); // a zero date
    EXPECT_EQ(shown("dt", 1), "");
    EXPECT_TRUE(b->isNull(1, 17));
    EXPECT_EQ(b->bytesValue(1, 29).size(), 70000); // longer than the buffer the first rows used
    EXPECT_EQ(b->bytesValue(1, 28).size(), 1500);
}

} // namespace
