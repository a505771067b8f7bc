#include "memo.h"

#include <QTextBlock>
#include <QTextCursor>

TMemo::TMemo(QWidget* parent) : QPlainTextEdit(parent)
{
    setTabChangesFocus(true);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void TMemo::LinesAdd(const QString& line)
{
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    // A last line that holds text has no line break yet (a block's length counts its separator).
    if (document()->lastBlock().length() > 1)
        cursor.insertText(QStringLiteral("\n"));
    cursor.insertText(line + u'\n');
}
