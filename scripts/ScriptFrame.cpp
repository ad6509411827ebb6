#include "scripts/ScriptFrame.h"

#include "scripts/PhpLiteral.h"

QStringList TemplateLines(const char *text)
{
    return QString::fromUtf8(text).split(QLatin1Char('\n'));
}

QStringList ScriptPrologue(const QString &libraryPath, const QString &inputPath)
{
    return {
        QStringLiteral("<?php"),
        QStringLiteral("include(realpath('") + PhpQuoted(libraryPath) + QStringLiteral("'));"),
        QStringLiteral("$detector = new FaceDetector();"),
        QStringLiteral("$detector->scan(realpath('") + PhpQuoted(inputPath) + QStringLiteral("'));"),
        QStringLiteral("$faces = $detector->getFaces();"),
    };
}

QStringList ImageLoadingBlock(const QString &outputFormat, const QString &inputPath)
{
    QStringList lines{
        QStringLiteral("$outputFormat = '") + PhpQuoted(outputFormat) + QStringLiteral("';"),
        QStringLiteral("$imageContent = file_get_contents(realpath('") + PhpQuoted(inputPath) + QStringLiteral("'));"),
    };
    lines += TemplateLines(R"php(if ($imageContent === false) {
    die("Failed to read the input file.");
}
// GD decodes what it reads itself; the library decodes TIFF, HEIF and AVIF)php");
    lines += QStringLiteral("$image = $detector->createImage(realpath('") + PhpQuoted(inputPath) + QStringLiteral("'), $imageContent);");
    lines += TemplateLines(R"php(if (!$image) {
    die("Failed to load image or unsupported input format.");
}
// A palette picture (GIF, 256-colour PNG) becomes true colour: WEBP takes no palette, and a
// full palette would draw the nearest colour instead of red
if (!imageistruecolor($image) && !imagepalettetotruecolor($image)) {
    die("Failed to load image or unsupported input format.");
})php");
    lines += UprightTurnBlock();
    return lines;
}

QStringList UprightTurnBlock()
{
    return TemplateLines(R"php(// Turn the image upright as the face detection library did before it searched: the face
// positions are in the upright image, and only the library reads the file's orientation tag
$orientation = $detector->getOrientation();
$flips = array(2 => IMG_FLIP_HORIZONTAL, 3 => IMG_FLIP_BOTH, 4 => IMG_FLIP_VERTICAL, 5 => IMG_FLIP_HORIZONTAL, 7 => IMG_FLIP_HORIZONTAL);
if (isset($flips[$orientation])) {
    imageflip($image, $flips[$orientation]);
}
$turns = array(5 => 90, 6 => 270, 7 => 270, 8 => 90); // degrees anticlockwise
if (isset($turns[$orientation])) {
    $upright = imagerotate($image, $turns[$orientation], 0);
    if (!$upright) {
        die("Failed to turn the image upright.");
    }
    imagedestroy($image);
    $image = $upright;
})php");
}

QStringList FormatSaveBlock(const QString &outputBase)
{
    QStringList lines = TemplateLines(R"php(
// The output is written through the handle of a file this script creates: the empty file that
// reserved the name goes first, and a file or link that takes the name meanwhile ends the script
// instead of being written through
function createOutputFile($outputFile) {
    @unlink($outputFile);
    $handle = @fopen($outputFile, 'x');
    if ($handle === false) {
        die("Failed to create the output file.");
    }
    return $handle;
}

// Set output filename and save based on chosen format)php");
    lines += QStringLiteral("$outputBase = '") + PhpQuoted(outputBase) + QStringLiteral("';");
    lines += TemplateLines(R"php(
switch (strtolower($outputFormat)) {
    case 'png':
        $outputFile = $outputBase . ".png";
        $outputHandle = createOutputFile($outputFile);
        imagepng($image, $outputHandle);
        break;

    case 'jpg':
    case 'jpeg':
        $outputFile = $outputBase . ".jpg";
        $outputHandle = createOutputFile($outputFile);
        imagejpeg($image, $outputHandle, 90); // quality 90
        break;

    case 'bmp':
        $outputFile = $outputBase . ".bmp";
        $outputHandle = createOutputFile($outputFile);
        imagebmp($image, $outputHandle);
        break;

    case 'webp':
        $outputFile = $outputBase . ".webp";
        $outputHandle = createOutputFile($outputFile);
        imagewebp($image, $outputHandle, 90); // quality 90
        break;

    default:
        imagedestroy($image);
        die("Unsupported output format: $outputFormat");
}

fclose($outputHandle);
imagedestroy($image);)php");
    return lines;
}

QByteArray EncodeScript(const QStringList &lines)
{
    QByteArray bytes;
    for (const QString &line : lines) {
        bytes += line.toUtf8();
        bytes += "\r\n";
    }
    return bytes;
}
