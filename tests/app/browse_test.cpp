// Picking a database in the database list and a table in the table list.
#include "window_driver.h"

namespace {

const QString kDb = QStringLiteral("browse1");

QStringList resultRow(const TDBAdvGrid* grid, int row)
{
    QStringList cells;
    for (int col = 1; col < grid->ColCount(); ++col)
        cells << grid->Cells(col, row);
    return cells;
}

} // namespace

class BrowseTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        test_server::exec(QStringLiteral(
            "drop database if exists browse1; drop database if exists browse2; drop database if exists browse_empty;"
            "create database browse1; create database browse2; create database browse_empty;"
            "create table browse1.t (id int, name varchar(10));"
            "insert into browse1.t values (1, 'one'), (2, 'two');"
            "create table browse1.`a b` (x int); insert into browse1.`a b` values (5);"
            "create table browse1.`a;b` (y int); insert into browse1.`a;b` values (6);"
            "create table browse1.u (z int);"
            "create table browse2.other (w int);"
            "drop user if exists 'reader'@'%'; create user 'reader'@'%' identified by 'pw';"
            "grant select on browse1.* to 'reader'@'%'"));
    }

    void typicalRoad()
    {
        Window w;
        w.open(kDb);
        QCOMPARE(w.boxes.take(), QStringList());
        QVERIFY(w.form.Connection2.Connected());
        QCOMPARE(w.form.Connection2.Database, kDb);
        QCOMPARE(column1(w.form.table_list), QStringList({"a b", "a;b", "t", "u"}));
        QCOMPARE(w.form.table_list->Row(), 1);
        QCOMPARE(w.form.Memo1->Text(), QStringLiteral("%1에 정상적으로 접속되었습니다.\n").arg(test_server::host()));

        w.pickTable(QStringLiteral("t"));
        QCOMPARE(w.boxes.take(), QStringList());
        QCOMPARE(headers(w.form.dbgrid), QStringList({"id", "name"}));
        QCOMPARE(resultRow(w.form.dbgrid, 1), QStringList({"1", "one"}));
        QCOMPARE(resultRow(w.form.dbgrid, 2), QStringList({"2", "two"}));
        QCOMPARE(w.form.Memo1->Text(), QStringLiteral("select * from t"));

        // Names that are not plain identifiers are browsed as one name, and nothing else runs.
        w.pickTable(QStringLiteral("a;b"));
        QCOMPARE(w.boxes.take(), QStringList());
        QCOMPARE(resultRow(w.form.dbgrid, 1), QStringList{"6"});
        QCOMPARE(w.form.Memo1->Text(), QStringLiteral("select * from `a;b`"));
        w.pickTable(QStringLiteral("a b"));
        QCOMPARE(resultRow(w.form.dbgrid, 1), QStringList{"5"});
        QCOMPARE(w.form.Memo1->Text(), QStringLiteral("select * from `a b`"));

        // The same table again is read again from the server.
        w.pickTable(QStringLiteral("t"));
        test_server::exec(QStringLiteral("insert into browse1.t values (3, 'three')"));
        w.pickTable(QStringLiteral("t"));
        QCOMPARE(resultRow(w.form.dbgrid, 3), QStringList({"3", "three"}));

        // Picking the database again empties the result grid and reads the tables again.
        test_server::exec(QStringLiteral("create table browse1.v (q int)"));
        w.pickDatabase(kDb);
        QCOMPARE(w.form.dbgrid->ColCount(), 2);
        QCOMPARE(w.form.dbgrid->Cells(1, 0), QString());
        QCOMPARE(column1(w.form.table_list), QStringList({"a b", "a;b", "t", "u", "v"}));
        QCOMPARE(w.form.Memo1->Text(), QStringLiteral("select * from t"));

        w.pickDatabase(QStringLiteral("browse_empty"));
        QCOMPARE(w.boxes.take(), QStringList());
        QCOMPARE(w.form.table_list->RowCount(), 2);
        QCOMPARE(column1(w.form.table_list), QStringList{QString()});
    }

    // The list's design-time header stays until its result is closed for the first time.
    void tableListHeaderSwitchesAtTheSecondPick()
    {
        Window w;
        w.open(kDb);
        QCOMPARE(headers(w.form.table_list), QStringList{QStringLiteral("테이블명")});
        w.pickDatabase(QStringLiteral("browse2"));
        QCOMPARE(headers(w.form.table_list), QStringList{QStringLiteral("Tables_in_browse2")});
    }

    // Presses on the header row or the indicator column use the row selected before; keyboard
    // moves open nothing.
    void pressesOutsideDataCells()
    {
        Window w;
        w.open(QStringLiteral("browse2"));
        const int selected = rowOf(w.form.db_list, QStringLiteral("browse2"));
        QCOMPARE(w.form.db_list->Row(), selected);
        test_server::exec(QStringLiteral("create table browse2.added (a int)"));
        clickCell(w.form.db_list, 1, 0);
        QCOMPARE(w.boxes.take(), QStringList());
        QCOMPARE(column1(w.form.table_list), QStringList({"added", "other"}));
        clickCell(w.form.db_list, 0, 1);
        QCOMPARE(w.form.Connection2.Database, QStringLiteral("browse2"));

        w.form.db_list->setFocus();
        QTest::keyClick(w.form.db_list, Qt::Key_Down);
        QCOMPARE(w.form.db_list->Row(), selected + 1);
        QCOMPARE(w.form.Connection2.Database, QStringLiteral("browse2"));

        w.pickTable(QStringLiteral("other"));
        w.form.table_list->setFocus();
        QTest::keyClick(w.form.table_list, Qt::Key_Up);
        QCOMPARE(w.form.Memo1->Text(), QStringLiteral("select * from other"));
        clickCell(w.form.table_list, 1, 0);
        QCOMPARE(w.form.Memo1->Text(), QStringLiteral("select * from added"));
    }

    void failures()
    {
        Window w;
        // Before any connect the list holds nothing: no database, and "show tables" is refused.
        clickCell(w.form.db_list, 1, 1);
        QCOMPARE(w.boxes.take(), QStringList{QStringLiteral("\r\n#3D000No database selected.")});
        QVERIFY(w.form.Connection2.Connected());

        w.connect();
        w.pickDatabase(kDb);
        w.pickTable(QStringLiteral("t"));
        // A table dropped meanwhile: the server's complaint, an empty grid, the editor as it was.
        test_server::exec(QStringLiteral("drop table browse1.u"));
        w.form.Memo1->SetText(QStringLiteral("kept"));
        w.pickTable(QStringLiteral("u"));
        QCOMPARE(w.boxes.take(), QStringList{QStringLiteral("\r\n#42S02Table 'browse1.u' doesn't exist.")});
        QVERIFY(!w.form.Query.Active());
        QCOMPARE(w.form.dbgrid->Cells(1, 0), QString());
        QCOMPARE(w.form.Memo1->Text(), QStringLiteral("kept"));

        // A database dropped meanwhile: both grids empty, disconnected, holding the new settings.
        test_server::exec(QStringLiteral("drop database browse2"));
        w.pickDatabase(QStringLiteral("browse2"));
        QCOMPARE(w.boxes.take(), QStringList{QStringLiteral("\r\n#42000Unknown database 'browse2'")});
        QVERIFY(!w.form.Connection2.Connected());
        QCOMPARE(w.form.Connection2.Database, QStringLiteral("browse2"));
        QCOMPARE(column1(w.form.table_list), QStringList{QString()});
        QCOMPARE(w.form.dbgrid->Cells(1, 1), QString());
    }

    // The database connection takes the fields as they are at the click, not the server connection's.
    void fieldsAreReadAtTheClick()
    {
        Window w;
        w.connect();
        typeInto(w.form.username, QStringLiteral("reader"));
        typeInto(w.form.password, QStringLiteral("pw"));
        w.pickDatabase(kDb);
        QCOMPARE(w.boxes.take(), QStringList());
        QCOMPARE(w.form.Connection.Username, QStringLiteral("root"));
        QCOMPARE(w.form.Connection2.Username, QStringLiteral("reader"));
        w.run(QStringLiteral("select current_user()"));
        QCOMPARE(w.form.dbgrid->Cells(1, 1), QStringLiteral("reader@%"));
    }
};

QTEST_MAIN(BrowseTest)
#include "browse_test.moc"
