#include "imagelist/PictureSize.h"

#include "imagelist/FileExtensions.h"
#include "imagelist/MetafileHeader.h"
#include "imagelist/PictureHeaders.h"
#include "platform/Errors.h"
#include "platform/RegularFile.h"
#include "video/VideoProbe.h"

#include <QFile>
#include <QImageReader>

namespace {
constexpr qint64 MaxListedPixels = 250'000'000;

struct Decoder {
    const char *extension;             // lowered, without the dot
    const char *qtFormat;              // Qt's image format name; null for the metafiles read here
    const char *name;                  // as the user is told
    QSize (*readHeader)(QIODevice &) = nullptr; // our own header reader, for the metafiles
};

template <std::optional<QSize> (*Read)(QByteArrayView), const char *Name, qsizetype Bytes>
QSize ReadWithOwnReader(QIODevice &file)
{
    const std::optional<QSize> size = Read(file.read(Bytes));
    if (!size)
        throw MirelonError(QStringLiteral("The file is not a valid %1 picture").arg(QLatin1String(Name)));
    return *size;
}

constexpr char Bitmap[] = "bitmap";
constexpr char Png[] = "PNG";
constexpr char Heif[] = "HEIF";
constexpr char Avif[] = "AVIF";

// Qt's PNG decoder inflates every text chunk before the pixels to give the size, and its BMP
// decoder refuses rows stored top-down: both are read here.
const Decoder decoders[] = {
    {"bmp", nullptr, Bitmap, ReadWithOwnReader<BmpHeaderSize, Bitmap, BmpHeaderBytes>},
    {"ico", "ico", "icon"},
    {"emf", nullptr, "enhanced metafile", ReadEmfSize},
    {"wmf", nullptr, "metafile", ReadWmfSize},
    {"tif", "tiff", "TIFF"},
    {"tiff", "tiff", "TIFF"},
    {"gif", "gif", "GIF"},
    {"jpg", "jpeg", "JPEG"},
    {"jpeg", "jpeg", "JPEG"},
    {"png", nullptr, Png, ReadWithOwnReader<PngHeaderSize, Png, PngHeaderBytes>},
    {"heic", nullptr, Heif, ReadWithOwnReader<HeifHeaderSize, Heif, HeifHeaderBytes>},
    {"heif", nullptr, Heif, ReadWithOwnReader<HeifHeaderSize, Heif, HeifHeaderBytes>},
    {"avif", nullptr, Avif, ReadWithOwnReader<HeifHeaderSize, Avif, HeifHeaderBytes>},
};

const Decoder *DecoderFor(const QString &loweredExtension)
{
    for (const Decoder &decoder : decoders)
        if (loweredExtension == QLatin1String(decoder.extension))
            return &decoder;
    return nullptr;
}

QSize ReadWithQt(QFile &file, const Decoder &decoder)
{
    QImageReader reader(&file, decoder.qtFormat);
    reader.setAutoDetectImageFormat(false); // the extension decides, whatever the content is
    const QString invalid = QStringLiteral("The file is not a valid %1 picture").arg(QLatin1String(decoder.name));
    if (!reader.canRead())
        throw MirelonError(invalid);
    // Every listed decoder reads the size from the header; none of them decodes the picture for it.
    const QSize size = reader.size();
    if (!size.isValid())
        throw MirelonError(invalid); // the header is broken
    if (size.isEmpty())
        throw MirelonError(QStringLiteral("The %1 picture's header gives no size").arg(QLatin1String(decoder.name)));
    return size;
}
} // namespace

QSize ReadPictureSize(const QString &path)
{
    if (IsVideoFileName(path)) {
        OpenRegularFileForReading(path); // refuses a FIFO or device without blocking on it
        const std::optional<mirelon::video::VideoFacts> facts = mirelon::video::ProbeVideo(QFile::encodeName(path).toStdString());
        if (!facts)
            throw MirelonError(QStringLiteral("Not a video Mirelon reads (MP4, MOV, MKV, WebM or AVI), or a damaged one"));
        return QSize(facts->width, facts->height);
    }
    const QString extension = FileExtension(path).mid(1);
    const Decoder *decoder = DecoderFor(LowerAsciiLetters(extension));
    if (!decoder)
        throw MirelonError(QStringLiteral("Unknown picture file extension (.%1)").arg(extension));

    FileDescriptor descriptor = OpenRegularFileForReading(path);
    QFile file;
    if (!file.open(descriptor.get(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
        throw MirelonError(QStringLiteral("Cannot open the file: %1").arg(file.errorString()));
    const QSize size = decoder->readHeader ? decoder->readHeader(file) : ReadWithQt(file, *decoder);
    // The search refuses larger pictures: one claiming more is refused here already.
    if (qint64(size.width()) * size.height() > MaxListedPixels)
        throw MirelonError(QStringLiteral("The picture is too large (%1 x %2 pixels)").arg(size.width()).arg(size.height()));
    return size;
}
