// The Run button and F5: the statement, then what the first word makes the window show next.
#include <QTcpSocket>

#include "window_driver.h"

namespace {

QStringList rowAt(const TDBAdvGrid* grid, int row)
{
    QStringList cells;
    for (int col = 1; col < grid->ColCount(); ++col)
        cells << grid->Cells(col, row);
    return cells;
}

// A window on database run1 with table t selected and browsed.
struct RunWindow : Window {
    RunWindow()
    {
        open(QStringLiteral("run1"));
        pickTable(QStringLiteral("t"));
    }
    QStringList tables() const { return column1(form.table_list); }
};

} // namespace

class RunnerTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        test_server::exec(QStringLiteral(
            "drop database if exists run1; drop database if exists run2; create database run1; create database run2;"
            "create table run1.a (n int); insert into run1.a values (10), (11);"
            "create table run1.t (id int, name varchar(10)); insert into run1.t values (1, 'one'), (2, 'two');"
            "create table run2.t (id int); insert into run2.t values (99);"));
    }

    void select()
    {
        RunWindow w;
        w.run(QStringLiteral("select n, n * 2 as twice from a"));
        QCOMPARE(w.boxes.take(), QStringList());
        QCOMPARE(headers(w.form.dbgrid), QStringList({"n", "twice"}));
        QCOMPARE(rowAt(w.form.dbgrid, 2), QStringList({"11", "22"}));
        QCOMPARE(w.form.Memo1->Text(), QStringLiteral("select n, n * 2 as twice from a"));

        // No rows: the column headers and one blank row.
        w.run(QStringLiteral("select n from a where n < 0"));
        QCOMPARE(headers(w.form.dbgrid), QStringList({"n"}));
        QCOMPARE(w.form.dbgrid->RowCount(), 2);

        // Several statements: the first result is shown, and "select" ends the handler there.
        w.run(QStringLiteral("select * from a; select 1"));
        QCOMPARE(w.boxes.take(), QStringList());
        QCOMPARE(column1(w.form.dbgrid), QStringList({"10", "11"}));
    }

    // Anything but "select" (case-sensitive) ends with the selected table's rows and statement.
    void otherStatementsShowTheSelectedTable_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QStringList>("ids");
        QTest::newRow("insert") << "insert into t values (3, 'three')" << QStringList({"1", "2", "3"});
        QTest::newRow("update") << "update t set id = 5 where id = 1" << QStringList({"5", "2"});
        QTest::newRow("upper-case select") << "SELECT * FROM a" << QStringList({"1", "2"});
        QTest::newRow("show") << "show tables" << QStringList({"1", "2"});
        QTest::newRow("delete then count") << "delete from t where id = 1; select count(*) from t"
                                           << QStringList({"2"});
        QTest::newRow("leading tab") << "\tselect * from a" << QStringList({"1", "2"});
    }
    void otherStatementsShowTheSelectedTable()
    {
        QFETCH(QString, statement);
        QFETCH(QStringList, ids);
        RunWindow w;
        const QStringList tables = w.tables();
        w.run(statement);
        QCOMPARE(w.boxes.take(), QStringList());
        QCOMPARE(column1(w.form.dbgrid), ids);
        QCOMPARE(w.form.Memo1->Text(), QStringLiteral("select * from t"));
        QCOMPARE(w.tables(), tables);
    }

    // After a run that ended normally the editor still gets the key, which changes nothing.
    void f5GoesOnToTheEditor()
    {
        RunWindow w;
        F5Counter editorSaw(w.form.Memo1);
        w.run(QStringLiteral("select n from a"));
        QCOMPARE(w.boxes.take(), QStringList());
        QCOMPARE(editorSaw.count, 1);
        QCOMPARE(w.form.Memo1->Text(), QStringLiteral("select n from a"));
        // Held down: every repeated press runs once more.
        test_server::exec(QStringLiteral("insert into run1.a values (12)"));
        repeatF5(w.form.Memo1, 3);
        QCOMPARE(editorSaw.count, 4);
        QCOMPARE(column1(w.form.dbgrid), QStringList({"10", "11", "12"}));
    }

    void leadingLineBreaksAreSkipped()
    {
        RunWindow w;
        w.run(QStringLiteral("\n\nselect n from a"));
        QCOMPARE(column1(w.form.dbgrid), QStringList({"10", "11"}));
    }

    // create: the created table is shown, the list is read again, and then its first table.
    void createAndDrop()
    {
        RunWindow w;
        w.run(QStringLiteral("create table zz (q int)"));
        QCOMPARE(w.boxes.take(), QStringList());
        QCOMPARE(w.tables(), QStringList({"a", "t", "zz"}));
        QCOMPARE(w.form.table_list->Row(), 1);
        QCOMPARE(w.form.Memo1->Text(), QStringLiteral("select * from a"));
        QCOMPARE(column1(w.form.dbgrid), QStringList({"10", "11"}));

        // Word 2 is used as typed, back-quotes included.
        w.run(QStringLiteral("create table `bc` (q int)"));
        QCOMPARE(w.boxes.take(), QStringList());
        QCOMPARE(w.tables(), QStringList({"a", "bc", "t", "zz"}));

        // The freshly read list's first table is shown, quoted when its name needs it.
        test_server::exec(QStringLiteral("create table run1.`b c` (q int)"));
        w.run(QStringLiteral("drop table a"));
        QCOMPARE(w.boxes.take(), QStringList());
        QCOMPARE(w.tables(), QStringList({"b c", "bc", "t", "zz"}));
        QCOMPARE(w.form.Memo1->Text(), QStringLiteral("select * from `b c`"));
        QCOMPARE(headers(w.form.dbgrid), QStringList({"q"}));
    }

    // A follow-up that fails shows the server's complaint and ends the handler.
    void failingFollowUps_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("message"); // the start of the error box's text
        QTest::addColumn<QStringList>("tables");
        QTest::newRow("create if not exists")
            << "create table if not exists t2 (id int)"
            << "\r\n#42000You have an error in your SQL syntax" << QStringList({"a", "t"});
        QTest::newRow("rename the selected table")
            << "alter table t rename to u" << "\r\n#42S02Table 'run1.t' doesn't exist" << QStringList({"a", "t"});
        QTest::newRow("create database")
            << "create database run_d" << "\r\n#42S02Table 'run1.run_d' doesn't exist" << QStringList({"a", "t"});
        QTest::newRow("no third word")
            << "create table`c`(x\tint)" << "List index out of bounds (2)" << QStringList({"a", "t"});
    }
    void failingFollowUps()
    {
        QFETCH(QString, statement);
        QFETCH(QString, message);
        QFETCH(QStringList, tables);
        test_server::exec(QStringLiteral("drop database if exists run_d"));
        RunWindow w;
        w.run(statement);
        const QStringList shown = w.boxes.take();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown.front().startsWith(message), qPrintable(shown.front()));
        QCOMPARE(w.tables(), tables);
        QVERIFY(!w.form.Query.Active());
        QCOMPARE(w.form.Memo1->Text(), statement);
        test_server::exec(QStringLiteral("drop database if exists run_d"));
    }

    void failingStatementKeepsTheEditor()
    {
        RunWindow w;
        w.run(QStringLiteral("selec 1"));
        const QStringList shown = w.boxes.take();
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown.front().startsWith(QStringLiteral("\r\n#42000You have an error in your SQL syntax")));
        QVERIFY(!w.form.Query.Active());
        QCOMPARE(w.form.Memo1->Text(), QStringLiteral("selec 1"));

        w.run(QStringLiteral("\n \n"));
        QCOMPARE(w.boxes.take(), QStringList{QStringLiteral("\r\n#42000Query was empty.")});
    }

    // "use" moves the database connection; the follow-up then looks in the other database.
    void useAnotherDatabase()
    {
        RunWindow w;
        w.run(QStringLiteral("use run2"));
        QCOMPARE(w.boxes.take(), QStringList());
        QCOMPARE(column1(w.form.dbgrid), QStringList{"99"});
        QCOMPARE(w.tables(), QStringList({"a", "t"}));
    }

    void noDatabasePicked()
    {
        QTcpSocket probe;
        probe.connectToHost(QStringLiteral("127.0.0.1"), 3306);
        if (probe.waitForConnected(500))
            QSKIP("a server answers on 127.0.0.1:3306 here");
        Window w;
        w.run(QStringLiteral("select 1"));
        const QStringList shown = w.boxes.take();
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown.front().startsWith(QStringLiteral("Can't connect to MySQL server on 'localhost' (10061)")));
        QVERIFY(!w.form.Connection2.Connected());
    }
};

QTEST_MAIN(RunnerTest)
#include "runner_test.moc"
