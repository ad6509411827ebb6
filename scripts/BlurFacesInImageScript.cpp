#include "scripts/ActionScripts.h"

#include "scripts/ScriptFrame.h"

// Turns every face box (clamped to the image) into 8 x 8 blocks, blurs it five times where the
// runtime has imagefilter, and saves the image in the chosen format.
QStringList BlurFacesInImageScript(const QString &libraryPath, const QString &inputPath,
                                   const QString &outputFormat, const QString &outputBase)
{
    QStringList lines = ScriptPrologue(libraryPath, inputPath);
    lines += ImageLoadingBlock(outputFormat, inputPath);
    lines += TemplateLines(R"php(function blurRegion($image, $x, $y, $width, $height, $blurIntensity = 10) {
    // Create a temporary image for the region
    $region = imagecreatetruecolor($width, $height);
    
    // Copy the face region to temporary image
    imagecopy($region, $image, 0, 0, $x, $y, $width, $height);
    
    // Apply pixelation effect (mosaic blur)
    for ($px = 0; $px < $width; $px += $blurIntensity) {
        for ($py = 0; $py < $height; $py += $blurIntensity) {
            // Get the color of the pixel at the current position
            if ($px < $width && $py < $height) {
                $rgb = imagecolorat($region, $px, $py);
                $color = imagecolorsforindex($region, $rgb);
                
                // Create a solid color for this block
                $blockColor = imagecolorallocate($region, $color['red'], $color['green'], $color['blue']);
                
                // Fill a block with this color
                imagefilledrectangle(
                    $region,
                    $px,
                    $py,
                    min($px + $blurIntensity - 1, $width - 1),
                    min($py + $blurIntensity - 1, $height - 1),
                    $blockColor
                );
            }
        }
    }
    
    // Alternative: Apply Gaussian blur if available (PHP 7.1+)
    if (function_exists('imagefilter')) {
        // Apply multiple blur passes for stronger effect
        for ($i = 0; $i < 5; $i++) {
            imagefilter($region, IMG_FILTER_GAUSSIAN_BLUR);
        }
    }
    
    // Copy the blurred region back to the original image
    imagecopy($image, $region, $x, $y, 0, 0, $width, $height);
    
    // Clean up
    imagedestroy($region);
}
// Blur each detected face
foreach ($faces as $face) {
    $x = (int)$face['x'];
    $y = (int)$face['y'];
    $width = (int)$face['width'];
    $height = (int)$face['height'];
    
    // Ensure coordinates are within image bounds
    $imageWidth = imagesx($image);
    $imageHeight = imagesy($image);
    
    $x = max(0, min($x, $imageWidth - 1));
    $y = max(0, min($y, $imageHeight - 1));
    $width = min($width, $imageWidth - $x);
    $height = min($height, $imageHeight - $y);
    
    // Apply blur to the face region
    blurRegion($image, $x, $y, $width, $height, 8); // Adjust blur intensity (8 pixels)
})php");
    lines += FormatSaveBlock(outputBase);
    lines += ScriptClosingLine();
    return lines;
}
