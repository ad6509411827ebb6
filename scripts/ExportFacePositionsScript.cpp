#include "scripts/ActionScripts.h"

#include "scripts/PhpLiteral.h"
#include "scripts/ScriptFrame.h"

// Writes one line per face into the output text file; the library reads the image itself.
QStringList ExportFacePositionsScript(const QString &libraryPath, const QString &inputPath,
                                      const QString &outputTextPath)
{
    QStringList lines = ScriptPrologue(libraryPath, inputPath);
    lines += TemplateLines(R"php($output = "";
foreach($faces as $face)
{
$output .= "x: {$face['x']}, y: {$face['y']}, width: {$face['width']}, height: {$face['height']}\n";
})php");
    lines += QStringLiteral("file_put_contents('") + PhpQuoted(outputTextPath) + QStringLiteral("', $output);");
    lines += ScriptClosingLine();
    return lines;
}
