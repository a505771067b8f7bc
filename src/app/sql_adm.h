#pragma once

#include <QWidget>

#include "my_connection.h"
#include "my_data_source.h"
#include "my_query.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TDBAdvGrid;
class TMemo;

// The main window: the connection fields and the statement editor on top, below them the result
// grid, the table list and the database list. Every user action is one handler, run to its end.
class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    QGroupBox* GroupBox1;
    TDBAdvGrid* dbgrid;
    QLineEdit* hostname;
    QLineEdit* username;
    QLineEdit* password;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    TDBAdvGrid* db_list;
    TDBAdvGrid* table_list;
    TMyConnection Connection;
    TMyConnection Connection2;
    TMyQuery Query2{Connection2};
    TMyDataSource DataSource1{Query2};
    TMyQuery Query3{Connection};
    TMyDataSource DataSource2{Query3};
    TMyQuery Query{Connection2};
    TMyDataSource DataSource{Query};
    QWidget* Panel1;
    TMemo* Memo1;
    QPushButton* Button2;
    QPushButton* Button3;
    QPushButton* Button1;
    QPushButton* Button4;
    QPushButton* Button5;
    QPushButton* Button6;

    void Button1Click();
    void table_listClickCell(int ARow, int ACol);
    void Button2Click();
    void db_listClickCell(int ARow, int ACol);
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void Button6Click();
    void FormKeyDown(QObject* Sender, int Key, Qt::KeyboardModifiers Shift);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void CreateControls();
    void WireHandlers();
    void AlignControls();
    // Shows every row of the table selected in the table list and puts its statement in the editor.
    void BrowseSelectedTable();
    void OpenQuery(const QString& statement);
};
