#include "infowindows/AboutEgg.h"

#include <algorithm>
#include <cmath>

bool AboutEgg::IconDoubleClicked()
{
    if (Sliding)
        return false;
    PictureVisible = true;
    Sliding = true;
    return true;
}

bool AboutEgg::Tick(int clientWidth)
{
    if (!Sliding)
        return false;
    PanelLeft += StepPixels;
    if (PanelLeft > clientWidth)
        Sliding = false;
    return Sliding;
}

bool AboutEgg::PictureDoubleClicked(int clientWidth, int panelWidth)
{
    if (Sliding)
        return false;
    PictureVisible = false;
    PanelLeft = (clientWidth - panelWidth) / 2;
    return true;
}

EggState AboutEgg::State() const
{
    if (Sliding)
        return EggState::Sliding;
    return PictureVisible ? EggState::Uncovered : EggState::Covered;
}

int EggTimerInterval(double systemDpi, double windowDpi)
{
    if (windowDpi <= 0)
        return 5;
    return std::max(1, static_cast<int>(std::lround(5.0 * systemDpi / windowDpi)));
}
