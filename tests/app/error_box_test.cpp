#include <QAbstractButton>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "application.h"
#include "error_box.h"
#include "exception.h"

class ErrorBoxTest : public QObject {
    Q_OBJECT
private slots:
    void title_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("title");
        QTest::newRow("plain") << "/usr/bin/sql" << "sql";
        QTest::newRow("capital kept, rest lowered") << "C:/Tools/SQL.EXE" << "Sql";
        QTest::newRow("cut at the first dot") << "/opt/My.Tool.bin" << "My";
        QTest::newRow("dot in a folder") << "/home/a.b/Admin" << "Admin";
    }
    void title()
    {
        QFETCH(QString, path);
        QFETCH(QString, title);
        QCOMPARE(ApplicationTitle(path), title);
    }

    void text_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("letter") << "Access denied" << "Access denied.";
        QTest::newRow("digit") << "error 5" << "error 5.";
        QTest::newRow("dot") << "Stopped." << "Stopped.";
        QTest::newRow("parenthesis") << "List index out of bounds (2)" << "List index out of bounds (2)";
        QTest::newRow("exclamation") << "Gone!" << "Gone!";
        QTest::newRow("slash") << "a/" << "a/.";
        QTest::newRow("hangul") << "실패" << "실패.";
        QTest::newRow("empty") << "" << "";
    }
    void text()
    {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        QCOMPARE(ErrorBoxText(message), shown);
    }

    // The guard shows what ended the handler in a real box, then lets the caller go on.
    void guardShowsTheErrorBox()
    {
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            QCOMPARE(box->standardButtons(), QMessageBox::Ok);
            QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
        });
        const bool completed = Guard([] { throw EListError(QStringLiteral("List index out of bounds (2)")); });
        QVERIFY(!completed);
        QCOMPARE(title, ApplicationTitle(QCoreApplication::applicationFilePath()));
        QCOMPARE(text, QStringLiteral("List index out of bounds (2)"));
        QCOMPARE(icon, QMessageBox::Critical);
        QVERIFY(Guard([] {}));
    }
};

QTEST_MAIN(ErrorBoxTest)
#include "error_box_test.moc"
