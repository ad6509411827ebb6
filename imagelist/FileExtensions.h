#pragma once
#include <QString>

// File name extensions as the image list compares them: only the letters A to Z are lowered,
// so names in other scripts keep their case.
QString LowerAsciiLetters(const QString &text);

// The extension of the path's last component, with its dot (".PNG"), or empty when the name
// has no dot.
QString FileExtension(const QString &path);

// True when the extension belongs to the set scanned in folders: bmp, gif, png, tif, tiff, jpg, jpeg,
// heic, heif, avif.
bool IsImageFileName(const QString &path);

// True when the extension names a video container Mirelon reads: mp4, m4v, mov, mkv, webm, avi.
// Whether the file is one is judged by its content.
bool IsVideoFileName(const QString &path);

// True when the extension belongs to the set taken from drops of single files: png, jpg, jpeg, gif,
// heic, heif, avif, and the video extensions.
bool IsDropFileName(const QString &path);
