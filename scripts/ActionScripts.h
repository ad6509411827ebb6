#pragma once
#include <QString>
#include <QStringList>

// The script of each action for one image, as lines (see EncodeScript for the file's bytes).
// outputFormat is the lower-case format ("png", "jpg", "webp", "bmp").

QStringList ExportFacePositionsScript(const QString &libraryPath, const QString &inputPath,
                                      const QString &outputTextPath);
QStringList MarkFacesInImageScript(const QString &libraryPath, const QString &inputPath,
                                   const QString &outputFormat, const QString &outputBase);
QStringList BlurFacesInImageScript(const QString &libraryPath, const QString &inputPath,
                                   const QString &outputFormat, const QString &outputBase);
QStringList SaveFacesAsSeparateImagesScript(const QString &libraryPath, const QString &inputPath,
                                            const QString &outputFormat, const QString &outputDirectory);
