#pragma once
#include <QSize>
#include <QString>

// Width and height of the picture in the file, read with the decoder that the file name's
// extension names (bmp, ico, emf, wmf, tif, tiff, gif, jpg, jpeg, png, heic, heif, avif; letter
// case does not matter). Only the header is read, never the whole picture (PNG: the first 24
// bytes). A picture claiming more than 250 million pixels, which no search takes, is refused. The content must be of the format
// the extension names: JPEG data in photo.png is refused.
// A video (mp4, m4v, mov, mkv, webm, avi) gives its frame size as people see it, read from its
// header by content.
// Throws MirelonError with the text for the user when the extension has no decoder, the file
// cannot be opened, or its header is not valid.
QSize ReadPictureSize(const QString &path);
