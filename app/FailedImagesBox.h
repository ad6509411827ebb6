#pragma once
#include <QDialog>

class QPlainTextEdit;

// The "ERROR" box at the end of a run with failed images: the error icon, a heading and the
// list of images with the first line of each reason, which scrolls when it is long.
class FailedImagesBox : public QDialog {
    Q_OBJECT

public:
    FailedImagesBox(const QString &heading, const QString &list, QWidget *parent = nullptr);

    QPlainTextEdit *List = nullptr;
};

// Shows the box modally.
void ShowFailedImagesBox(QWidget *parent, const QString &heading, const QString &list);
