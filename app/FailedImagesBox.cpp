#include "app/FailedImagesBox.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

FailedImagesBox::FailedImagesBox(const QString &heading, const QString &list, QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("ERROR"));
    setModal(true);

    auto *icon = new QLabel(this);
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxCritical, nullptr, this).pixmap(iconSize, iconSize));
    icon->setAlignment(Qt::AlignTop);

    auto *label = new QLabel(heading, this);
    label->setTextFormat(Qt::PlainText);

    List = new QPlainTextEdit(this);
    List->setObjectName(QStringLiteral("FailedImages"));
    List->setAccessibleName(heading);
    List->setReadOnly(true);
    List->setLineWrapMode(QPlainTextEdit::NoWrap);
    List->setPlainText(list);
    List->setMinimumSize(460, 120);
    List->setMaximumHeight(320); // longer lists scroll
    label->setBuddy(List);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);

    auto *text = new QVBoxLayout;
    text->addWidget(label);
    text->addWidget(List, 1);
    auto *top = new QHBoxLayout;
    top->addWidget(icon);
    top->addLayout(text, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(buttons);
    buttons->button(QDialogButtonBox::Ok)->setFocus();
}

void ShowFailedImagesBox(QWidget *parent, const QString &heading, const QString &list)
{
    FailedImagesBox box(heading, list, parent);
    box.exec();
}
