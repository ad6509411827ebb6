#pragma once
#include <QColor>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QVector>

#include <functional>

// One falling drop of the About window's rain.
struct TMatrixDrop {
    int Column = 0;     // 0 .. matrixWidth - 1, fixed for the drop's life
    int Row = 0;        // row of the head, 0 .. matrixHeight + 1
    int Speed = 1;      // 1 .. 3: the head moves one row every Speed ticks
    int Brightness = 0; // 0 .. 99
};

// Where the rain draws: black cells and characters on an opaque black background.
class RainSurface {
public:
    virtual ~RainSurface() = default;
    virtual void FillBlack(const QRect &cell) = 0;
    virtual void DrawChar(const QPoint &topLeft, QChar character, const QColor &colour) = 0;
};

// Returns a random integer from 0 to n - 1 (n > 0).
using RandomBelow = std::function<int(int n)>;
RandomBelow SystemRandom();
RandomBelow SeededRandom(quint32 seed);

// Colour of a rain character: red v*150/255, green v, blue v*100/255 (integer arithmetic).
QColor RainColour(int v);
QColor HeadColour(int brightness);  // v = brightness * 255 / 100
QColor TrailColour(int brightness); // w = v / 3

// The falling-characters animation as numbers: a grid of 8 x 12 cells over the window, two
// drops per column, each drawing its head and the cell above it and erasing 40 rows behind.
class MatrixRain {
public:
    static constexpr int MaxDrops = 5000;
    static constexpr int TailLength = 40;

    explicit MatrixRain(RandomBelow random = SystemRandom(), QString alphabet = QStringLiteral("kor"));

    // New grid for a surface of the given size (integer division by the cell size), then new drops.
    void ResetMatrix(int bitmapWidth, int bitmapHeight);
    void SeedDrops();
    void AddDrop();
    // One tick: every drop draws a random character and moves when its speed says so.
    void StepMatrix(RainSurface &surface);
    void DrawDropChar(RainSurface &surface, const TMatrixDrop &drop, QChar character) const;
    void RestartTick() { MatrixTick = 0; }

    int charWidth = 8;
    int charHeight = 12;
    int matrixWidth = 0;
    int matrixHeight = 0;
    int MatrixTick = 0;
    QVector<TMatrixDrop> Drops;
    QString RainAlphabet;

private:
    RandomBelow random;
};
