// The window as designed: controls, places, defaults, resizing, and the F5 key.
#include <QGroupBox>
#include <QLabel>
#include <QStyleOption>

#include "window_driver.h"

namespace {

struct Control {
    const char* name;
    const char* parent;
    QRect geometry;   // an empty size: only the place is fixed
    QString text;
};

} // namespace

class DesignTest : public QObject {
    Q_OBJECT
private slots:
    void controls_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("text");
        const Control controls[] = {
            {"GroupBox1", "Form1", {0, 0, 671, 169}, QStringLiteral("스트링 입력")},
            {"Label1", "GroupBox1", {14, 22, 0, 0}, QStringLiteral("Host Server :")},
            {"hostname", "GroupBox1", {84, 19, 93, 21}, QStringLiteral("localhost")},
            {"Label2", "GroupBox1", {192, 22, 0, 0}, QStringLiteral("User  : ")},
            {"username", "GroupBox1", {233, 19, 88, 21}, QStringLiteral("root")},
            {"Label3", "GroupBox1", {344, 22, 0, 0}, QStringLiteral("password  : ")},
            {"password", "GroupBox1", {409, 19, 88, 21}, QStringLiteral("kelpdawn")},
            {"Panel1", "GroupBox1", {2, 54, 667, 113}, QString()},
            {"Button2", "GroupBox1", {512, 13, 144, 33}, QStringLiteral("서버 접속")},
            {"Memo1", "Panel1", {0, 0, 667, 113}, QString()},
            {"Button4", "Panel1", {441, 30, 70, 25}, QStringLiteral("select ")},
            {"Button5", "Panel1", {517, 30, 70, 25}, QStringLiteral("insert ")},
            {"Button6", "Panel1", {593, 30, 70, 25}, QStringLiteral("delete")},
            {"Button1", "Panel1", {441, 61, 70, 40}, QStringLiteral("실행(F5)")},
            {"Button3", "Panel1", {517, 61, 70, 40}, QStringLiteral("다시쓰기")},
            {"dbgrid", "Form1", {0, 169, 462, 345}, QString()},
            {"table_list", "Form1", {462, 169, 106, 345}, QString()},
            {"db_list", "Form1", {568, 169, 103, 345}, QString()},
        };
        for (const Control& c : controls)
            QTest::newRow(c.name) << c.name << c.parent << c.geometry << c.text;
    }
    void controls()
    {
        QFETCH(QString, name);
        QFETCH(QString, parent);
        QFETCH(QRect, geometry);
        QFETCH(QString, text);
        TForm1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto* control = form.findChild<QWidget*>(name);
        QVERIFY(control);
        QCOMPARE(control->parentWidget()->objectName(), parent);
        if (geometry.isEmpty())
            QCOMPARE(control->pos(), geometry.topLeft());
        else
            QCOMPARE(control->geometry(), geometry);
        QString shown;
        if (auto* edit = qobject_cast<QLineEdit*>(control))
            shown = edit->text();
        else if (auto* button = qobject_cast<QAbstractButton*>(control))
            shown = button->text();
        else if (auto* caption = qobject_cast<QLabel*>(control))
            shown = caption->text();
        else if (auto* box = qobject_cast<QGroupBox*>(control))
            shown = box->title();
        else if (auto* memo = qobject_cast<TMemo*>(control))
            shown = memo->Text();
        QCOMPARE(shown, text);
        if (qobject_cast<QLineEdit*>(control) || qobject_cast<TMemo*>(control) || qobject_cast<TDBAdvGrid*>(control))
            QCOMPARE(control->accessibleName(), name);
        if (auto* button = qobject_cast<QPushButton*>(control))
            QVERIFY(!button->isDefault() && !button->autoDefault());
    }

    void window()
    {
        TForm1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(form.windowTitle().startsWith(QStringLiteral("KOVA v1.0 ")));
        QCOMPARE(form.size(), QSize(671, 514));
        QCOMPARE(form.geometry().center(), QGuiApplication::primaryScreen()->availableGeometry().center());
        QCOMPARE(form.minimumSize(), QSize(0, 0));
        QCOMPARE(QApplication::focusWidget(), form.hostname);
        QCOMPARE(form.font().family(), QStringLiteral("Tahoma"));
        QCOMPARE(form.font().pixelSize(), 11);
        QCOMPARE(form.Memo1->font().pixelSize(), 13);
        QVERIFY(form.Memo1->font().bold());
        QVERIFY(form.Memo1->tabChangesFocus());
        QCOMPARE(form.Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(form.Memo1->lineWrapMode(), QPlainTextEdit::WidgetWidth);

        QCOMPARE(form.password->echoMode(), QLineEdit::Password);
        QStyleOptionFrame option;
        option.initFrom(form.password);
        QCOMPARE(form.password->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, &option, form.password),
                 int(u'#'));
        QCOMPARE(form.password->displayText(), QStringLiteral("########"));
    }

    void tabOrder()
    {
        TForm1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QStringList visited;
        QWidget* at = form.hostname;
        for (int i = 0; i < 13; ++i) {
            visited << at->objectName();
            at = at->nextInFocusChain();
            while (!(at->focusPolicy() & Qt::TabFocus))
                at = at->nextInFocusChain();
        }
        QCOMPARE(visited, QStringList({"hostname", "username", "password", "Memo1", "Button3", "Button1",
                                       "Button4", "Button5", "Button6", "Button2", "dbgrid", "db_list",
                                       "table_list"}));
        // Tab in the editor moves on rather than typing a tab.
        form.Memo1->setFocus();
        QTest::keyClick(form.Memo1, Qt::Key_Tab);
        QCOMPARE(form.Memo1->Text(), QString());
        QCOMPARE(QApplication::focusWidget(), form.Button3);
    }

    void resizing()
    {
        TForm1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        for (const QSize size : {QSize(1000, 700), QSize(300, 250), QSize(671, 514)}) {
            form.resize(size);
            QCOMPARE(form.GroupBox1->geometry(), QRect(0, 0, size.width(), 169));
            QCOMPARE(form.db_list->geometry(), QRect(size.width() - 103, 169, 103, size.height() - 169));
            QCOMPARE(form.table_list->geometry(), QRect(size.width() - 209, 169, 106, size.height() - 169));
            QCOMPARE(form.dbgrid->geometry(), QRect(0, 169, size.width() - 209, size.height() - 169));
            QCOMPARE(form.Panel1->geometry(), QRect(2, 54, size.width() - 4, 113));
            QCOMPARE(form.Memo1->geometry(), QRect(0, 0, size.width() - 4, 113));
            const int panelWidth = form.Panel1->width();
            QCOMPARE(panelWidth - form.Button6->geometry().right() - 1, 4);
            QCOMPARE(panelWidth - form.Button1->geometry().right() - 1, 156);
            QCOMPARE(form.Button1->y(), 61);
        }
    }

    // F5 reaches the Run handler whatever the modifiers, once per press (auto-repeat included),
    // and the focused editor still gets the key unless the run failed.
    void f5_data()
    {
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::newRow("plain") << Qt::KeyboardModifiers();
        QTest::newRow("shift") << Qt::KeyboardModifiers(Qt::ShiftModifier);
        QTest::newRow("ctrl") << Qt::KeyboardModifiers(Qt::ControlModifier);
        QTest::newRow("alt") << Qt::KeyboardModifiers(Qt::AltModifier);
    }
    void f5()
    {
        QFETCH(Qt::KeyboardModifiers, modifiers);
        TForm1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        ErrorBoxes boxes;
        // An empty editor makes every run end with an error box (the statement is refused, or no
        // server takes the design-time login), so each box is one run.
        form.Memo1->setFocus();
        QTest::keyClick(form.Memo1, Qt::Key_F5, modifiers);
        QCOMPARE(boxes.take().size(), 1);
        repeatF5(form.Memo1, 2, modifiers);
        QCOMPARE(boxes.take().size(), 2);
        // Another key runs nothing.
        QTest::keyClick(form.Memo1, Qt::Key_F6, modifiers);
        QCOMPARE(boxes.take().size(), 0);
    }

    // A run that ended with an error ends the handling of its key press there.
    void failedRunStopsTheKey()
    {
        TForm1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        ErrorBoxes boxes;
        F5Counter editorSaw(form.Memo1);
        form.Memo1->setFocus();
        QTest::keyClick(form.Memo1, Qt::Key_F5);
        QCOMPARE(boxes.take().size(), 1);
        QCOMPARE(editorSaw.count, 0);
    }
};

QTEST_MAIN(DesignTest)
#include "design_test.moc"
