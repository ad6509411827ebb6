#pragma once

// The hidden picture of the About window: the central panel slides to the right and uncovers
// it, and a double click on the picture puts the panel back.
enum class EggState { Covered, Sliding, Uncovered };

class AboutEgg {
public:
    static constexpr int StepPixels = 5;

    explicit AboutEgg(int panelLeft) : PanelLeft(panelLeft) {}

    // Double click on the icon. Returns true when the slide starts (the clock must be started).
    bool IconDoubleClicked();
    // One tick of the sliding clock. Returns true while the slide goes on.
    bool Tick(int clientWidth);
    // Double click on the picture. Returns true when the panel went back.
    bool PictureDoubleClicked(int clientWidth, int panelWidth);

    EggState State() const;

    int PanelLeft;
    bool PictureVisible = false;
    bool Sliding = false;
};

// Interval of the sliding clock: 5 ms scaled by system / window pixels per inch, rounded,
// at least 1 ms.
int EggTimerInterval(double systemDpi, double windowDpi);
