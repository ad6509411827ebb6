#include "imagelist/AddErrorBox.h"

#include <QMessageBox>

QString AddErrorText(const QString &path, const QString &message)
{
    return path + QStringLiteral("\r\r") + message;
}

void ShowErrorBox(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("ERROR"), text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText); // a path may hold characters that look like markup
    box.exec();
}
