// The face processing run of the main window ("Convert").
#include "app/TAppForm.h"

void TAppForm::Button1Click()
{
}
