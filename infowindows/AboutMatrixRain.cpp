#include "infowindows/AboutMatrixRain.h"

#include <QRandomGenerator>

#include <memory>

RandomBelow SystemRandom()
{
    return [](int n) { return static_cast<int>(QRandomGenerator::global()->bounded(n)); };
}

RandomBelow SeededRandom(quint32 seed)
{
    auto generator = std::make_shared<QRandomGenerator>(seed);
    return [generator](int n) { return static_cast<int>(generator->bounded(n)); };
}

QColor RainColour(int v)
{
    return QColor(v * 150 / 255, v, v * 100 / 255);
}

QColor HeadColour(int brightness)
{
    return RainColour(brightness * 255 / 100);
}

QColor TrailColour(int brightness)
{
    return RainColour(brightness * 255 / 100 / 3);
}

MatrixRain::MatrixRain(RandomBelow randomSource, QString alphabet)
    : RainAlphabet(std::move(alphabet)), random(std::move(randomSource))
{
}

void MatrixRain::ResetMatrix(int bitmapWidth, int bitmapHeight)
{
    charWidth = 8;
    charHeight = 12;
    matrixWidth = bitmapWidth / charWidth;
    matrixHeight = bitmapHeight / charHeight;
    SeedDrops();
}

void MatrixRain::SeedDrops()
{
    Drops.clear();
    for (int i = 0; i < 2 * matrixWidth; ++i)
        AddDrop();
}

void MatrixRain::AddDrop()
{
    if (Drops.size() >= MaxDrops || matrixWidth <= 0)
        return;
    TMatrixDrop drop;
    drop.Column = static_cast<int>(Drops.size()) % matrixWidth;
    drop.Row = matrixHeight > 0 ? random(matrixHeight) : 0;
    drop.Speed = 1 + random(3);
    drop.Brightness = random(100);
    Drops.append(drop);
}

void MatrixRain::StepMatrix(RainSurface &surface)
{
    for (TMatrixDrop &drop : Drops) {
        const QChar character = RainAlphabet.at(random(static_cast<int>(RainAlphabet.size())));
        DrawDropChar(surface, drop, character);
        if (MatrixTick % drop.Speed == 0) {
            ++drop.Row;
            if (drop.Row > matrixHeight + 1) {
                drop.Row = 0;
                drop.Speed = 1 + random(3);
                drop.Brightness = random(100);
            }
        }
    }
    ++MatrixTick;
}

void MatrixRain::DrawDropChar(RainSurface &surface, const TMatrixDrop &drop, QChar character) const
{
    const int x = drop.Column * charWidth;

    // Erase the end of the tail; near the top of the grid it wraps to the bottom.
    int r = drop.Row - TailLength;
    while (r < 0)
        r += matrixHeight + 1;
    surface.FillBlack(QRect(x, r * charHeight, charWidth, charHeight));

    if (drop.Row > 0)
        surface.DrawChar(QPoint(x, (drop.Row - 1) * charHeight), character, TrailColour(drop.Brightness));
    surface.DrawChar(QPoint(x, drop.Row * charHeight), character, HeadColour(drop.Brightness));
}
