#include "scripts/ActionScripts.h"

#include "scripts/ScriptFrame.h"

// Outlines every face with a one-pixel red rectangle and saves the image in the chosen format.
QStringList MarkFacesInImageScript(const QString &libraryPath, const QString &inputPath,
                                   const QString &outputFormat, const QString &outputBase)
{
    QStringList lines = ScriptPrologue(libraryPath, inputPath);
    lines += ImageLoadingBlock(outputFormat, inputPath);
    lines += TemplateLines(R"php(// Define color for rectangle (red)
$red = imagecolorallocate($image, 255, 0, 0);

// Draw rectangles for each face
foreach ($faces as $face) {
    imagerectangle(
        $image,
        (int)$face['x'],
        (int)$face['y'],
        (int)($face['x'] + $face['width']),
        (int)($face['y'] + $face['height']),
        $red
    );
})php");
    lines += FormatSaveBlock(outputBase);
    lines += ScriptClosingLine();
    return lines;
}
