#include "imagelist/AddErrorBox.h"

#include <QMessageBox>

QString AddErrorText(const QString &path, const QString &message)
{
    return path + QStringLiteral("\r\r") + message;
}

void ShowAddErrorBox(QWidget *parent, const QString &text)
{
    // Qt draws a carriage return as a blank, so the box breaks the line where the text has one.
    QString shown = text;
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QMessageBox box(QMessageBox::Critical, QStringLiteral("ERROR"), shown, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}
