#include "scripts/ActionScripts.h"

#include "scripts/FaceCoverRule.h"
#include "scripts/ScriptFrame.h"

namespace {

QString PhpConstant(const char *name, int value)
{
    return QStringLiteral("$%1 = %2;").arg(QLatin1String(name)).arg(value);
}

} // namespace

// Covers every face as FaceCoverRule.h says (grown box, mosaic whose blocks grow with the face,
// softened in proportion) and saves the image in the chosen format. The rule's figures are
// inserted from FaceCoverRule.h, so the script and every other cover share them.
QStringList BlurFacesInImageScript(const QString &libraryPath, const QString &inputPath,
                                   const QString &outputFormat, const QString &outputBase)
{
    using namespace facecover;
    QStringList lines = ScriptPrologue(libraryPath, inputPath);
    lines += ImageLoadingBlock(outputFormat, inputPath);
    lines += QStringLiteral("// How faces are covered: the margin added on each side (percent of the box's width or height),");
    lines += QStringLiteral("// the blocks across the face's longer side, the smallest block, and the block size and passes");
    lines += QStringLiteral("// of the softening");
    lines += PhpConstant("coverMarginPercent", CoverMarginPercent);
    lines += PhpConstant("coverBlocksAcross", CoverBlocksAcross);
    lines += PhpConstant("coverSmallestBlock", CoverSmallestBlock);
    lines += PhpConstant("coverSofteningBlock", CoverSofteningBlock);
    lines += PhpConstant("coverSofteningPasses", CoverSofteningPasses);
    lines += TemplateLines(R"php(function coverFace($image, $face, $marginPercent, $blocksAcross, $smallestBlock, $softeningBlock, $softeningPasses) {
    // The area: the face box grown on every side (hair, ears, chin), cut at the image's edges
    $faceX = (int)$face['x'];
    $faceY = (int)$face['y'];
    $faceWidth = max(0, (int)$face['width']);
    $faceHeight = max(0, (int)$face['height']);
    $marginX = intdiv($faceWidth * $marginPercent + 50, 100);
    $marginY = intdiv($faceHeight * $marginPercent + 50, 100);
    $left = max(0, $faceX - $marginX);
    $top = max(0, $faceY - $marginY);
    $right = min(imagesx($image), $faceX + $faceWidth + $marginX);
    $bottom = min(imagesy($image), $faceY + $faceHeight + $marginY);
    if ($faceWidth === 0 || $faceHeight === 0 || $right <= $left || $bottom <= $top) {
        return;
    }
    $width = $right - $left;
    $height = $bottom - $top;

    // The mosaic: blocks that grow with the face, each the colour of its top-left pixel, drawn
    // first with blocks of at most the softening's block size
    $block = max($smallestBlock, intdiv(max($faceWidth, $faceHeight) + $blocksAcross - 1, $blocksAcross));
    // A block larger than the area covers it alone, as one of the area's size does: this keeps
    // the enlarged mosaic no larger than the area, whatever box the library reports
    $block = min($block, max($width, $height));
    $columns = intdiv($width + $block - 1, $block);
    $rows = intdiv($height + $block - 1, $block);
    $drawn = min($block, $softeningBlock);
    $mosaic = imagecreatetruecolor($columns * $drawn, $rows * $drawn);
    for ($column = 0; $column < $columns; $column++) {
        for ($row = 0; $row < $rows; $row++) {
            $color = imagecolorsforindex($image, imagecolorat($image, $left + $column * $block, $top + $row * $block));
            $blockColor = imagecolorallocate($mosaic, $color['red'], $color['green'], $color['blue']);
            imagefilledrectangle($mosaic, $column * $drawn, $row * $drawn, ($column + 1) * $drawn - 1, ($row + 1) * $drawn - 1, $blockColor);
        }
    }

    // The softening, where the runtime has image filters; enlarging to the real block size makes
    // it grow with the block
    if (function_exists('imagefilter')) {
        for ($i = 0; $i < $softeningPasses; $i++) {
            imagefilter($mosaic, IMG_FILTER_GAUSSIAN_BLUR);
        }
    }
    if ($block !== $drawn) {
        $enlarged = imagescale($mosaic, $columns * $block, $rows * $block, IMG_BILINEAR_FIXED);
        if (!$enlarged) {
            die("Failed to cover a face.");
        }
        imagedestroy($mosaic);
        $mosaic = $enlarged;
    }
    imagecopy($image, $mosaic, $left, $top, 0, 0, $width, $height);
    imagedestroy($mosaic);
}
// Cover each detected face
foreach ($faces as $face) {
    coverFace($image, $face, $coverMarginPercent, $coverBlocksAcross, $coverSmallestBlock, $coverSofteningBlock, $coverSofteningPasses);
})php");
    lines += FormatSaveBlock(outputBase);
    lines += ScriptClosingLine();
    return lines;
}
