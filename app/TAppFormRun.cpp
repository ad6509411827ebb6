// The face processing run of the main window ("Convert").
#include "app/TAppForm.h"

void TAppForm::Button1Click()
{
}

void TAppForm::ExportFacePositions(const QString &)
{
}

void TAppForm::MarkFacesInImage(const QString &)
{
}

void TAppForm::BlurFacesInImage(const QString &)
{
}

void TAppForm::SaveFacesAsSeparateImages(const QString &)
{
}

QString TAppForm::FindFilenameThatDoesNotExist(const QString &filename) const
{
    return filename;
}
