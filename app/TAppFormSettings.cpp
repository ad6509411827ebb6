// Settings handlers of the main window: destination, format, destination chooser, reset.
#include "app/TAppForm.h"

void TAppForm::Edit1Change()
{
}

void TAppForm::ComboBoxExtensionChange()
{
}

void TAppForm::Button3Click()
{
}

void TAppForm::ResettoDefaults1Click()
{
}
