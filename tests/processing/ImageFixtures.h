#pragma once
// Images, face lists and runtime folders for the end-to-end tests of a run.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QList>
#include <QMetaType>
#include <QString>

struct FaceBox {
    int x, y, width, height;
};

Q_DECLARE_METATYPE(FaceBox)

// The stand-in library: faces come from "<image>.faces" beside each image.
inline QString FixtureLibrary()
{
    return QStringLiteral(MIRELON_SOURCE_DIR "/tests/processing/fixtures/FaceDetector.php");
}

// The php folder the build creates beside the executable.
inline QString BuildPhpDir()
{
    return QStringLiteral(MIRELON_BINARY_DIR "/php");
}

// An image in which nearly every pixel differs from its neighbours.
inline QImage PatternImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb((x * 6) % 256, (y * 8) % 256, (x * 3 + y * 5) % 256));
    return image;
}

inline QImage PlainImage(int width, int height, QRgb colour = qRgb(255, 255, 255))
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// Saves `image` as PNG at `path` and lists `faces` for the stand-in library.
inline bool WriteImageWithFaces(const QString &path, const QImage &image, const QList<FaceBox> &faces)
{
    if (!image.save(path, "PNG"))
        return false;
    QFile list(path + QStringLiteral(".faces"));
    if (!list.open(QIODevice::WriteOnly))
        return false;
    for (const FaceBox &f : faces)
        list.write(QStringLiteral("%1 %2 %3 %4\n").arg(f.x).arg(f.y).arg(f.width).arg(f.height).toUtf8());
    return true;
}

inline QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool WriteAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Names of the entries of `folder`, sorted.
inline QStringList Entries(const QString &folder)
{
    QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    names.sort();
    return names;
}
