// The clear, select, insert and delete buttons, and a delete skeleton run as it stands.
#include "window_driver.h"

class SkeletonTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        test_server::exec(QStringLiteral(
            "drop database if exists skel; create database skel;"
            "create table skel.t (id int, name varchar(10), age int);"
            "insert into skel.t values (3, 'c', 30), (7, 'g', 70);"
            "create table skel.k (name varchar(40) primary key);"
            "insert into skel.k values ('1\" or \"1\"=\"1'), ('a\\\\b'), ('plain')"));
    }

    void buttonsWriteTheSkeletons()
    {
        Window w;
        w.open(QStringLiteral("skel"));
        w.pickTable(QStringLiteral("t"));
        clickCell(w.form.dbgrid, 2, 2);

        press(w.form.Button4);
        QCOMPARE(w.form.Memo1->Text(), QStringLiteral("select * from t\n"));
        press(w.form.Button5);
        QCOMPARE(w.form.Memo1->Text(), QStringLiteral("insert into t\n(id,name,age) values \n(\"\",\"\",\"\")\n"));
        press(w.form.Button6);
        QCOMPARE(w.form.Memo1->Text(), QStringLiteral("delete from t where id = \"7\"\n"));
        QCOMPARE(w.boxes.take(), QStringList());
        QVERIFY(QApplication::focusWidget() != w.form.Memo1);

        press(w.form.Button3);
        QCOMPARE(w.form.Memo1->Text(), QString());
        QCOMPARE(QApplication::focusWidget(), w.form.Memo1);
    }

    // While the result grid holds no open result its one header is empty.
    void withoutAnOpenResult()
    {
        Window w;
        w.open(QStringLiteral("skel"));
        press(w.form.Button5);
        QCOMPARE(w.form.Memo1->Text(), QStringLiteral("insert into k\n() values \n(\"\")\n"));
        press(w.form.Button6);
        QCOMPARE(w.form.Memo1->Text(), QStringLiteral("delete from k where  = \"\"\n"));
    }

    // A delete skeleton run with F5 deletes exactly the row it names, whatever its key holds.
    void deleteSkeletonDeletesItsRow_data()
    {
        QTest::addColumn<QString>("key");
        QTest::newRow("plain") << "plain";
        QTest::newRow("double quotes") << "1\" or \"1\"=\"1";
        QTest::newRow("backslash") << "a\\b";
    }
    void deleteSkeletonDeletesItsRow()
    {
        QFETCH(QString, key);
        Window w;
        w.open(QStringLiteral("skel"));
        w.pickTable(QStringLiteral("k"));
        const int row = rowOf(w.form.dbgrid, key);
        QVERIFY(row > 0);
        clickCell(w.form.dbgrid, 1, row);
        press(w.form.Button6);
        w.form.Memo1->setFocus();
        QTest::keyClick(w.form.Memo1, Qt::Key_F5);
        QCOMPARE(w.boxes.take(), QStringList());
        QStringList left = {"1\" or \"1\"=\"1", "a\\b", "plain"};
        left.removeOne(key);
        QCOMPARE(column1(w.form.dbgrid), left);
    }
};

QTEST_MAIN(SkeletonTest)
#include "skeleton_test.moc"
