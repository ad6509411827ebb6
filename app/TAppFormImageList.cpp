// Image list handlers of the main window: adding, ordering, removing and opening entries.
#include "app/TAppForm.h"

#include <QToolButton>

void TAppForm::Clear1Click()
{
}

void TAppForm::AddFile1Click()
{
    ToolButton1->click();
}

void TAppForm::AddFolder1Click()
{
    ToolButton2->click();
}

void TAppForm::ToolButton1Click()
{
}

void TAppForm::ToolButton2Click()
{
}

void TAppForm::ButtonUpClick()
{
}

void TAppForm::ButtonDownClick()
{
}

void TAppForm::ButtonTopClick()
{
}

void TAppForm::ButtonBottomClick()
{
}

void TAppForm::Delete1Click()
{
}

void TAppForm::DeleteAll1Click()
{
}

void TAppForm::Open1Click()
{
}

void TAppForm::OpenFolderLocation1Click()
{
}

void TAppForm::Properties1Click()
{
}

void TAppForm::Ekle(const QString &)
{
}

void TAppForm::AddFolderFiles(const QString &)
{
}

void TAppForm::AddAllFilesInDir(const QString &)
{
}

void TAppForm::ResimSayisiDegisti()
{
}

void TAppForm::WMDropFiles(const QStringList &)
{
}

void TAppForm::dragEnterEvent(QDragEnterEvent *event)
{
    QMainWindow::dragEnterEvent(event);
}

void TAppForm::dropEvent(QDropEvent *event)
{
    QMainWindow::dropEvent(event);
}
