#pragma once
#include <QByteArrayView>
#include <QSize>

#include <optional>

// Size readers over the first bytes of a file, for the formats whose Qt decoders read more than
// the header (PNG: every text chunk before the pixels, inflated) or refuse valid files (BMP
// stored top-down), and for HEIF/AVIF, which Qt does not read. None of them reads past what it
// is given; each gives no size when the header is not valid.

// Bytes each reader needs at most: the HEIF/AVIF boxes that carry the size lie near the start.
constexpr qsizetype PngHeaderBytes = 24;
constexpr qsizetype BmpHeaderBytes = 30;
constexpr qsizetype HeifHeaderBytes = 1 << 20;

// PNG: the signature and the IHDR chunk (the first 24 bytes), nothing after it.
std::optional<QSize> PngHeaderSize(QByteArrayView head);

// BMP: the file header and the core or info header; a negative height (rows stored top-down)
// gives its absolute value.
std::optional<QSize> BmpHeaderSize(QByteArrayView head);

// HEIF (HEIC) and AVIF: a file type box naming one of their brands, then the image spatial
// extent property of the primary item, turned by its rotation property as viewers show it.
std::optional<QSize> HeifHeaderSize(QByteArrayView head);
