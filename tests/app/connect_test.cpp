// The Connect button: the server connection, the database list and the success line.
#include <QTcpSocket>

#include "error_box.h"
#include "window_driver.h"

namespace {

QString successLine(const QString& host) { return host + QStringLiteral("에 정상적으로 접속되었습니다.\n"); }

QStringList serverDatabases()
{
    QStringList names;
    for (const QStringList& row : test_server::rows(QStringLiteral("show databases")))
        names << row.front();
    return names;
}

bool localhostAnswers()
{
    QTcpSocket probe;
    probe.connectToHost(QStringLiteral("127.0.0.1"), 3306);
    return probe.waitForConnected(500);
}

} // namespace

class ConnectTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        test_server::exec(QStringLiteral(
            "drop user if exists 'nopass'@'%'; create user 'nopass'@'%';"
            "drop database if exists connect_extra"));
    }

    void connectListsTheDatabasesAndWritesOneLine()
    {
        Window w;
        w.form.Memo1->SetText(QStringLiteral("line one\nline two"));
        w.connect();
        QCOMPARE(w.boxes.take(), QStringList());
        QVERIFY(w.form.Connection.Connected());
        QCOMPARE(column1(w.form.db_list), serverDatabases());
        QCOMPARE(w.form.db_list->Row(), 1);
        QCOMPARE(w.form.Memo1->Text(), successLine(test_server::host()));
        // The first close of the list's result is what switches its header to the server's name.
        QCOMPARE(headers(w.form.db_list), QStringList{QStringLiteral("DB명")});
        QVERIFY(!w.form.Connection2.Connected());

        // Connecting again reads the list afresh.
        test_server::exec(QStringLiteral("create database connect_extra"));
        w.connect();
        QCOMPARE(w.boxes.take(), QStringList());
        QVERIFY(column1(w.form.db_list).contains(QStringLiteral("connect_extra")));
        QCOMPARE(headers(w.form.db_list), QStringList{QStringLiteral("Database")});
        QCOMPARE(w.form.Memo1->Text(), successLine(test_server::host()));
        test_server::exec(QStringLiteral("drop database connect_extra"));
    }

    void fieldsArePassedAsTyped()
    {
        Window w;
        typeInto(w.form.username, QStringLiteral("nopass"));
        typeInto(w.form.password, QString());
        w.connect();
        QCOMPARE(w.boxes.take(), QStringList());
        QVERIFY(w.form.Connection.Connected());
        QCOMPARE(w.form.Connection.Username, QStringLiteral("nopass"));
        QCOMPARE(w.form.Connection.Password, QString());
        QCOMPARE(w.form.Connection.Port, 3306);
    }

    // A failed connect shows the error and leaves the list empty and the editor as it was.
    void failures_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("pass");
        QTest::addColumn<QString>("message");
        // Every loopback client is seen by the server as 127.0.0.1.
        const QString h = test_server::host();
        QTest::newRow("wrong password")
            << h << "root" << "wrong"
            << QStringLiteral("\r\n#28000Access denied for user 'root'@'127.0.0.1' (using password: YES)");
        QTest::newRow("nothing listening")
            << "127.0.0.2" << "root" << "kelpdawn"
            << QStringLiteral("Can't connect to MySQL server on '127.0.0.2' (10061)\r\n"
                              "Socket error on connect. WSAGetLastError return 111($6F)");
        QTest::newRow("unknown host name")
            << "no-such-host.invalid" << "root" << "kelpdawn"
            << QStringLiteral("Can't connect to MySQL server on 'no-such-host.invalid' (10061)");
    }
    void failures()
    {
        QFETCH(QString, host);
        QFETCH(QString, user);
        QFETCH(QString, pass);
        QFETCH(QString, message);
        Window w;
        w.connect();
        QCOMPARE(w.boxes.take(), QStringList());
        w.form.Memo1->SetText(QStringLiteral("kept"));
        typeInto(w.form.hostname, host);
        typeInto(w.form.username, user);
        typeInto(w.form.password, pass);
        w.connect();
        QCOMPARE(w.boxes.take(), QStringList{message});
        QCOMPARE(w.boxes.titles.last(), ApplicationTitle(QCoreApplication::applicationFilePath()));
        QVERIFY(!w.form.Connection.Connected());
        QCOMPARE(column1(w.form.db_list), QStringList{QString()});
        QCOMPARE(w.form.Memo1->Text(), QStringLiteral("kept"));
        // The fields keep what was typed, and the window goes on working.
        QCOMPARE(w.form.hostname->text(), host);
        typeInto(w.form.hostname, test_server::host());
        typeInto(w.form.username, QStringLiteral("root"));
        typeInto(w.form.password, test_server::password());
        w.connect();
        QCOMPARE(w.boxes.take(), QStringList());
        QVERIFY(w.form.Connection.Connected());
    }

    void emptyHostMeansLocalhost()
    {
        if (localhostAnswers())
            QSKIP("a server answers on 127.0.0.1:3306 here");
        Window w;
        typeInto(w.form.hostname, QString());
        w.connect();
        const QStringList shown = w.boxes.take();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown.front().startsWith(QStringLiteral("Can't connect to MySQL server on 'localhost' (10061)")),
                 qPrintable(shown.front()));
    }
};

QTEST_MAIN(ConnectTest)
#include "connect_test.moc"
