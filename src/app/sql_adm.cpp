// The window's handlers: each one user action, run to its end; an error ends it at the failing
// step and reaches the error box through the application's guard.
#include "sql_adm.h"

#include <QLineEdit>

#include "db_adv_grid.h"
#include "memo.h"
#include "skeletons.h"
#include "table_ref.h"
#include "word_list.h"

void TForm1::Button2Click()
{
    Connection.Disconnect();
    Connection.Server = hostname->text();
    Connection.Password = password->text();
    Connection.Username = username->text();
    Connection.Port = 3306;
    Connection.Connect();
    if (!Connection.Connected())
        return;
    Query3.Open();
    Memo1->Clear();
    Memo1->LinesAdd(hostname->text() + QStringLiteral("에 정상적으로 접속되었습니다."));
}

void TForm1::db_listClickCell(int, int)
{
    const QString picked = db_list->CurrentCellText();
    Connection2.Disconnect();
    Connection2.Server = hostname->text();
    Connection2.Password = password->text();
    Connection2.Database = picked;
    Connection2.Username = username->text();
    Connection2.Port = 3306;
    Connection2.Connect();
    if (Connection2.Connected()) {
        Query2.Close();
        Query2.Open();
    }
}

void TForm1::table_listClickCell(int, int)
{
    BrowseSelectedTable();
}

void TForm1::Button1Click()
{
    const WordList words(Memo1->Text());
    Query.Close();
    Query.SQL.clear();
    Query.SQL.append(Memo1->Text());
    Query.Execute();
    if (words[0] == u"create") {
        // The created table as typed, back-quotes and all.
        const QString created = QStringLiteral("select * from ") + words[2];
        OpenQuery(created);
        Memo1->SetText(created);
        Query2.Close();
        Query2.Open();
    }
    if (words[0] == u"drop") {
        Query.Close();
        Query2.Close();
        Query2.Open();
    }
    if (words[0] != u"select")
        BrowseSelectedTable();
}

void TForm1::Button3Click()
{
    Memo1->Clear();
    Memo1->setFocus();
}

void TForm1::Button4Click()
{
    Memo1->Clear();
    for (const QString& line : SelectSkeleton(table_list->CurrentCellText()))
        Memo1->LinesAdd(line);
}

void TForm1::Button5Click()
{
    Memo1->Clear();
    QStringList headers;
    for (int col = 1; col < dbgrid->ColCount(); ++col)
        headers << dbgrid->Cells(col, 0);
    for (const QString& line : InsertSkeleton(table_list->CurrentCellText(), headers))
        Memo1->LinesAdd(line);
}

void TForm1::Button6Click()
{
    Memo1->Clear();
    const QString key = dbgrid->Cells(1, 0);
    const QString value = dbgrid->Cells(1, dbgrid->Row());
    for (const QString& line : DeleteSkeleton(table_list->CurrentCellText(), key, value))
        Memo1->LinesAdd(line);
}

void TForm1::FormKeyDown(QObject*, int Key, Qt::KeyboardModifiers)
{
    if (Key == Qt::Key_F5)
        Button1Click();
}

void TForm1::BrowseSelectedTable()
{
    OpenQuery(BrowseStatement(table_list->CurrentCellText()));
    Memo1->SetText(BrowseStatement(table_list->CurrentCellText()));
}

void TForm1::OpenQuery(const QString& statement)
{
    Query.Close();
    Query.SQL.clear();
    Query.SQL.append(statement);
    Query.Open();
}
