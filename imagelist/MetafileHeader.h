#pragma once
#include <QSize>

class QIODevice;

// Size readers for the two metafile formats, which Qt has no decoder for. Both read only the
// fixed header at the start of the file and throw MirelonError when it is not valid.

// Enhanced metafile: the picture frame (in 0.01 mm) converted to pixels of the reference device
// recorded in the header.
QSize ReadEmfSize(QIODevice &file);

// Windows metafile with the placeable header: the bounding box in metafile units converted to
// pixels at 96 per inch. Metafiles without that header carry no size and are refused.
QSize ReadWmfSize(QIODevice &file);
