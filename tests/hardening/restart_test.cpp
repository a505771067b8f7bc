// The server dies or restarts under the window: the window says so in an error box, shows no half
// result as if it were whole, goes on working, and connects afresh once the server is back.
// Every test leaves the fixture's server running as it found it.
#include <QFile>
#include <QProcess>
#include <atomic>
#include <chrono>
#include <csignal>
#include <mysql.h>
#include <stdexcept>
#include <thread>

#include "window_driver.h"

namespace {

const QString kDb = QStringLiteral("hard_restart");
const QString kLost = QStringLiteral("Lost connection to MySQL server during query");
constexpr int kBigRows = 1000000;

void throwaway(const QStringList& arguments)
{
    QProcess script;
    script.setProcessChannelMode(QProcess::ForwardedChannels);
    script.start(test_server::throwawayScript(), arguments);
    if (!script.waitForFinished(180000) || script.exitCode() != 0)
        throw std::runtime_error("mariadb-throwaway " + arguments.join(u' ').toStdString() + " failed");
}

// Starts the fixture's server again on its data, with the options the fixture started it with.
void startServer()
{
    throwaway({QStringLiteral("start"), test_server::dataDir(), test_server::host(), QStringLiteral("--"),
               QStringLiteral("--secure-auth=0"), QStringLiteral("--max-allowed-packet=256M")});
    // The helpers' session went with the old server; the first statement finds that out.
    try {
        test_server::exec(QStringLiteral("do 1"));
    } catch (const std::runtime_error&) {
    }
}

void stopServer() { throwaway({QStringLiteral("stop"), test_server::dataDir()}); }

qint64 serverPid()
{
    QFile pid(test_server::dataDir() + QStringLiteral("/pid"));
    return pid.open(QIODevice::ReadOnly) ? pid.readAll().trimmed().toLongLong() : 0;
}

// Sends the server SIGKILL from a thread of its own, while the window's handler is busy, once the
// server is sending the rows of `statement` and has filled the connection's buffers with them.
class KillWhileSending {
public:
    explicit KillWhileSending(const QString& statement)
        : thread_([this, probe = "select count(*) from information_schema.processlist where info = '"
                                 + statement.toUtf8() + "' and state = 'Writing to net'"] { watch(probe); })
    {
    }
    ~KillWhileSending() { killed(); }
    // Waits for the thread; whether it killed the server.
    bool killed()
    {
        if (thread_.joinable())
            thread_.join();
        return killed_;
    }

private:
    void watch(const QByteArray& probe)
    {
        MYSQL* m = mysql_init(nullptr);
        const QByteArray socket = (test_server::dataDir() + QStringLiteral("/sock")).toUtf8();
        const QByteArray password = test_server::password().toUtf8();
        if (mysql_real_connect(m, nullptr, "root", password.constData(), nullptr, 0, socket.constData(), 0)) {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
            while (!killed_ && std::chrono::steady_clock::now() < deadline
                   && mysql_real_query(m, probe.constData(), static_cast<unsigned long>(probe.size())) == 0) {
                MYSQL_RES* result = mysql_store_result(m);
                const MYSQL_ROW row = result ? mysql_fetch_row(result) : nullptr;
                if (row && row[0] && QByteArray(row[0]) != "0") {
                    const qint64 pid = serverPid();
                    killed_ = pid > 0 && ::kill(pid_t(pid), SIGKILL) == 0;
                    // Gone only once its memory is given back; a new server must not find it.
                    for (int wait = 0; killed_ && wait < 3000 && ::kill(pid_t(pid), 0) == 0; ++wait)
                        std::this_thread::sleep_for(std::chrono::milliseconds(10));
                }
                mysql_free_result(result);
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
        mysql_close(m);
    }

    std::atomic<bool> killed_ = false;
    std::thread thread_;
};

} // namespace

class RestartTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        test_server::exec(QStringLiteral(
            "drop database if exists hard_restart; create database hard_restart; use hard_restart;"
            "create table t (id int, name varchar(10)); insert into t values (1, 'one'), (2, 'two');"
            "create table big (id int primary key, pad varchar(60));"
            "insert into big select seq, concat('row ', seq, ' ', repeat('x', 40)) from seq_1_to_%1")
                              .arg(kBigRows));
    }

    // Killed while the rows of a million-row result come in, whether the table was clicked (the
    // binary protocol) or the statement typed and run (the text protocol).
    void killedWhileFetching_data()
    {
        QTest::addColumn<bool>("browsed");
        QTest::newRow("table clicked") << true;
        QTest::newRow("statement run") << false;
    }
    void killedWhileFetching()
    {
        QFETCH(bool, browsed);
        Window w;
        w.open(kDb);
        w.pickTable(QStringLiteral("t"));
        QCOMPARE(w.boxes.take(), QStringList());

        KillWhileSending killer(QStringLiteral("select * from big"));
        if (browsed)
            w.pickTable(QStringLiteral("big"));
        else
            w.run(QStringLiteral("select * from big"));
        QVERIFY(killer.killed());
        QCOMPARE(w.boxes.take(), QStringList{kLost + u'.'});
        // No part of the result is shown: the grid is as after a close, the editor as it was.
        QVERIFY(!w.form.Query.Active());
        QCOMPARE(w.form.dbgrid->ColCount(), 2);
        QCOMPARE(w.form.dbgrid->RowCount(), 2);
        QCOMPARE(w.form.dbgrid->Cells(1, 1), QString());
        QCOMPARE(w.form.Memo1->Text(), QStringLiteral("select * from %1").arg(browsed ? "t" : "big"));
        // The broken session is dropped, and with it the table list.
        QVERIFY(!w.form.Connection2.Connected());
        QCOMPARE(column1(w.form.table_list), QStringList{QString()});

        // While the server is down a click says so and changes nothing else.
        w.pickDatabase(kDb);
        QCOMPARE(w.boxes.take(), QStringList{QStringLiteral("Can't connect to MySQL server on '%1' (10061)\r\n"
                                                            "Socket error on connect. WSAGetLastError return 111($6F)")
                                                 .arg(test_server::host())});

        // Once it is back, the next click connects afresh and works.
        startServer();
        w.pickDatabase(kDb);
        QCOMPARE(w.boxes.take(), QStringList());
        QVERIFY(w.form.Connection2.Connected());
        QCOMPARE(column1(w.form.table_list), QStringList({"big", "t"}));
        w.pickTable(QStringLiteral("t"));
        QCOMPARE(w.boxes.take(), QStringList());
        QCOMPARE(w.form.dbgrid->Cells(2, 2), QStringLiteral("two"));
    }

    // Restarted between two statements: the next one finds the session gone and says so, the one
    // after it connects afresh and works.
    void restartedBetweenStatements()
    {
        Window w;
        w.open(kDb);
        w.run(QStringLiteral("select 1"));
        QCOMPARE(w.boxes.take(), QStringList());

        stopServer();
        startServer();
        w.run(QStringLiteral("select id, name from t"));
        QCOMPARE(w.boxes.take(), QStringList{kLost + u'.'});
        QVERIFY(!w.form.Query.Active());
        QCOMPARE(w.form.Memo1->Text(), QStringLiteral("select id, name from t"));
        w.run(QStringLiteral("select id, name from t"));
        QCOMPARE(w.boxes.take(), QStringList());
        QCOMPARE(w.form.dbgrid->Cells(2, 1), QStringLiteral("one"));

        // A table click finds it gone the same way. A dropped session takes the table list with it,
        // so the database is picked again before and after.
        w.pickDatabase(kDb);
        stopServer();
        startServer();
        w.pickTable(QStringLiteral("t"));
        QCOMPARE(w.boxes.take(), QStringList{kLost + u'.'});
        QCOMPARE(column1(w.form.table_list), QStringList{QString()});
        w.pickDatabase(kDb);
        w.pickTable(QStringLiteral("t"));
        QCOMPARE(w.boxes.take(), QStringList());
        QCOMPARE(w.form.dbgrid->Cells(2, 2), QStringLiteral("two"));

        // The server connection too connects afresh with the next press.
        w.connect();
        QCOMPARE(w.boxes.take(), QStringList());
        QVERIFY(column1(w.form.db_list).contains(kDb));
    }

    // A test that failed half way may have left the server down.
    void cleanup()
    {
        const qint64 pid = serverPid();
        if (pid <= 0 || ::kill(pid_t(pid), 0) != 0)
            startServer();
    }

    void cleanupTestCase() { test_server::exec(QStringLiteral("drop database hard_restart")); }
};

QTEST_MAIN(RestartTest)
#include "restart_test.moc"
