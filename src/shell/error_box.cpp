#include "error_box.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>

QString ApplicationTitle(const QString& programPath)
{
    QString name = QFileInfo(programPath).fileName();
    name.truncate(name.indexOf(u'.') < 0 ? name.size() : name.indexOf(u'.'));
    return name.left(1) + name.mid(1).toLower();
}

QString ErrorBoxText(const QString& message)
{
    if (!message.isEmpty() && message.back() > u'.')
        return message + u'.';
    return message;
}

void ShowErrorBox(const QString& message)
{
    QMessageBox box(QMessageBox::Critical, ApplicationTitle(QCoreApplication::applicationFilePath()),
                    ErrorBoxText(message), QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}
