// Input that needs care, through the window: names with blanks, quotes, backquotes, ";" and Korean
// letters; text the encoding must carry; 64 MiB values; and a password that must never be shown.
#include <QClipboard>
#include <QLabel>

#include "fake_peer.h"
#include "window_driver.h"

namespace {

const QString kDb = QStringLiteral("hard db 'q' \"d\" `b`;한글");

// A name as the test's own statements write it.
QString quoted(QString name) { return u'`' + name.replace(u'`', QStringLiteral("``")) + u'`'; }

// The statements that ran on the server for clients over TCP (the window's; the helpers' session
// comes over the socket), in order: statements sent as text and prepared statements executed.
QStringList statementsFromTcpClients()
{
    QStringList statements;
    for (const QStringList& row : test_server::rows(QStringLiteral(
             "select argument from mysql.general_log where command_type in ('Query', 'Execute') and thread_id in "
             "(select thread_id from mysql.general_log where command_type = 'Connect' and argument like '% using TCP/IP') "
             "order by event_time")))
        statements << row.front();
    return statements;
}

// The UTF-8 bytes of a text in upper-case hex, as the server's hex() shows what it received.
QString hexOf(const QByteArray& utf8) { return QString::fromLatin1(utf8.toHex().toUpper()); }

} // namespace

class InputTest : public QObject {
    Q_OBJECT
private slots:
    // Every table is listed, picked and browsed, and nothing runs but the statements meant.
    void namesThatNeedCare()
    {
        struct Table {
            QString name, browse;
        };
        const Table tables[] = {
            {QStringLiteral("t 1"), QStringLiteral("select * from `t 1`")},
            {QStringLiteral("it's"), QStringLiteral("select * from `it's`")},
            {QStringLiteral("dq\"x"), QStringLiteral("select * from `dq\"x`")},
            {QStringLiteral("back`tick"), QStringLiteral("select * from `back``tick`")},
            {QStringLiteral("semi;colon; drop table t"), QStringLiteral("select * from `semi;colon; drop table t`")},
            {QStringLiteral("한국어 표"), QStringLiteral("select * from `한국어 표`")},
            {QStringLiteral("한국어"), QStringLiteral("select * from 한국어")},
            {QStringLiteral("1e5"), QStringLiteral("select * from `1e5`")},
        };
        QString setup = QStringLiteral("drop database if exists %1; create database %1;").arg(quoted(kDb));
        QStringList names;
        for (const Table& t : tables) {
            const QString table = quoted(kDb) + u'.' + quoted(t.name);
            setup += QStringLiteral("create table %1 (v varchar(40)); insert into %1 values ('%2');")
                         .arg(table, QString(t.name).replace(u'\'', QStringLiteral("''")));
            names << t.name;
        }
        test_server::exec(setup);
        test_server::exec(QStringLiteral(
            "set global log_output = 'TABLE'; set global general_log = 0; truncate mysql.general_log;"
            "set global general_log = 1"));

        Window w;
        w.connect();
        QVERIFY(column1(w.form.db_list).contains(kDb));
        w.pickDatabase(kDb);
        QCOMPARE(w.boxes.take(), QStringList());
        QStringList listed = column1(w.form.table_list);
        listed.sort();
        names.sort();
        QCOMPARE(listed, names);
        QStringList expected{QStringLiteral("show databases"), QStringLiteral("show tables")};
        for (const Table& t : tables) {
            w.pickTable(t.name);
            QCOMPARE(w.boxes.take(), QStringList());
            QCOMPARE(w.form.dbgrid->Cells(1, 1), t.name);
            QCOMPARE(w.form.Memo1->Text(), t.browse);
            expected << t.browse;
        }
        test_server::exec(QStringLiteral("set global general_log = 0"));
        QCOMPARE(statementsFromTcpClients(), expected);
        QCOMPARE(test_server::value(QStringLiteral("select count(*) from information_schema.tables where table_schema = '%1'")
                                        .arg(QString(kDb).replace(u'\'', QStringLiteral("''")))),
                 QString::number(std::size(tables)));
        test_server::exec(QStringLiteral("drop database %1").arg(quoted(kDb)));
    }

    // Text pasted into the editor reaches the server as valid UTF-8: Korean and emoji as they
    // are, a surrogate without its other half as U+FFFD.
    void editorTextTheEncodingMustCarry_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("received");
        const QByteArray replacement("\xEF\xBF\xBD");
        QTest::newRow("Korean and emoji") << QStringLiteral("한글 😀") << QByteArray("\xED\x95\x9C\xEA\xB8\x80 \xF0\x9F\x98\x80");
        QTest::newRow("lone high surrogate") << (u'a' + QString(QChar(0xD83D)) + u'b') << "a" + replacement + "b";
        QTest::newRow("lone low surrogate") << (u'a' + QString(QChar(0xDE00)) + u'b') << "a" + replacement + "b";
        QTest::newRow("halves swapped") << (QString(QChar(0xDE00)) + QChar(0xD83D)) << replacement + replacement;
        QTest::newRow("high surrogate last") << QString(QChar(0xD83D)) << replacement;
    }
    void editorTextTheEncodingMustCarry()
    {
        QFETCH(QString, value);
        QFETCH(QByteArray, received);
        test_server::exec(QStringLiteral("create database if not exists hard_text"));
        Window w;
        w.open(QStringLiteral("hard_text"));
        focusOn(w.form.Memo1);
        w.form.Memo1->Clear();
        QApplication::clipboard()->setText(QStringLiteral("select hex('%1')").arg(value));
        QTest::keyClick(w.form.Memo1, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(w.form.Memo1->Text(), QStringLiteral("select hex('%1')").arg(value));
        QTest::keyClick(w.form.Memo1, Qt::Key_F5);
        QCOMPARE(w.boxes.take(), QStringList());
        QCOMPARE(w.form.dbgrid->Cells(1, 1), hexOf(received));
    }

    // 64 MiB values come whole into the result; the grid lays out only a cell's worth of them.
    void valuesOf64MiB()
    {
        constexpr int kBytes = 64 << 20;
        test_server::exec(QStringLiteral(
            "drop database if exists hard_big; create database hard_big;"
            "create table hard_big.v (b longblob, t longtext);"
            "insert into hard_big.v values (repeat(x'00FF7F80', %1), concat('한글', repeat('x', %2)))")
                              .arg(kBytes / 4)
                              .arg(kBytes - 6));
        Window w;
        w.open(QStringLiteral("hard_big"));
        w.pickTable(QStringLiteral("v"));
        QCOMPARE(w.boxes.take(), QStringList());
        const ResultSet* result = w.form.Query.Result();
        QVERIFY(result);
        QCOMPARE(result->bytesValue(0, 0), QByteArray("\x00\xFF\x7F\x80", 4).repeated(kBytes / 4));
        QCOMPARE(result->bytesValue(0, 1).size(), kBytes);
        QCOMPARE(w.form.dbgrid->Cells(2, 1), QStringLiteral("한글") + QString(kBytes - 6, u'x'));
        for (int column = 0; column < 2; ++column) {
            const QString drawn = w.form.dbgrid->model()->index(0, column).data().toString();
            QVERIFY2(drawn.size() <= 512, qPrintable(QString::number(drawn.size())));
        }
        QVERIFY(!w.form.dbgrid->grab().isNull());
        test_server::exec(QStringLiteral("drop database hard_big"));
    }

    // The password is in no error text or title, nor anywhere else the window shows text, even
    // when the server echoes the account or asks for the password as typed to echo it.
    void passwordIsNeverShown()
    {
        const QString secret = QStringLiteral("Never-Sh0wn-pw");
        FakePeer echo([](PeerSocket& s) {
            s.sendPacket(0, wire::Greeting());
            s.readPacket();
            s.sendPacket(2, wire::AuthSwitch("mysql_clear_password"));
            const QByteArray answer = s.readPacket();
            s.sendPacket(4, wire::Error(1045, "28000", "Access denied for '" + answer + "'"));
        });
        Window w;
        typeInto(w.form.password, secret);
        w.connect();                                          // the real server: wrong password
        clickCell(w.form.db_list, 1, 1);                      // nothing listed: refused again
        typeInto(w.form.hostname, echo.host());
        w.connect();                                          // the echoing peer
        QCOMPARE(w.boxes.texts.size(), 3);
        QVERIFY2(w.boxes.texts[0].contains(QStringLiteral("Access denied for user 'root'@")), qPrintable(w.boxes.texts[0]));
        QVERIFY2(w.boxes.texts[2].startsWith(QStringLiteral("Login refused")), qPrintable(w.boxes.texts[2]));
        QStringList shown = w.boxes.texts + w.boxes.titles;
        shown << w.form.windowTitle() << w.form.Memo1->Text() << w.form.password->displayText();
        for (const QLabel* label : w.form.findChildren<QLabel*>())
            shown << label->text();
        for (const QString& text : shown)
            QVERIFY2(!text.contains(secret), qPrintable(text));
    }

    void cleanupTestCase() { test_server::exec(QStringLiteral("drop database if exists hard_text")); }
};

QTEST_MAIN(InputTest)
#include "input_test.moc"
