#include "scripts/ActionScripts.h"

#include "scripts/PhpLiteral.h"
#include "scripts/ScriptFrame.h"

// Cuts every face box (clamped to the image) out into face1, face2, ... files of its own in the
// output directory, each with the first number not yet taken.
QStringList SaveFacesAsSeparateImagesScript(const QString &libraryPath, const QString &inputPath,
                                            const QString &outputFormat, const QString &outputDirectory)
{
    QStringList lines = ScriptPrologue(libraryPath, inputPath);
    lines += ImageLoadingBlock(outputFormat, inputPath);
    lines += TemplateLines(R"php(// Function to save a face region as a separate image file
function saveFaceImage($sourceImage, $x, $y, $width, $height, $file, $format = 'png', $quality = 90) {
    // Ensure coordinates are within bounds
    $imageWidth = imagesx($sourceImage);
    $imageHeight = imagesy($sourceImage);
    
    $x = max(0, min($x, $imageWidth - 1));
    $y = max(0, min($y, $imageHeight - 1));
    $width = min($width, $imageWidth - $x);
    $height = min($height, $imageHeight - $y);
    
    // Skip if dimensions are too small
    if ($width <= 0 || $height <= 0) {
        return false;
    }
    
    // Create a new image for the face
    $faceImage = imagecreatetruecolor($width, $height);
    
    // Preserve transparency for PNG
    if (strtolower($format) === 'png') {
        imagealphablending($faceImage, false);
        imagesavealpha($faceImage, true);
        $transparent = imagecolorallocatealpha($faceImage, 0, 0, 0, 127);
        imagefill($faceImage, 0, 0, $transparent);
    }
    
    // Copy the face region from source image
    imagecopy($faceImage, $sourceImage, 0, 0, $x, $y, $width, $height);
    
    // Save the face image based on format
    $success = false;
    switch (strtolower($format)) {
        case 'png':
            $success = imagepng($faceImage, $file);
            break;
        case 'jpg':
        case 'jpeg':
            $success = imagejpeg($faceImage, $file, $quality);
            break;
        case 'bmp':
            $success = imagebmp($faceImage, $file);
            break;
        case 'webp':
            $success = imagewebp($faceImage, $file, $quality);
            break;
        default:
            echo "Unsupported format for face extraction: $format\n";
            break;
    }
    
    // Clean up
    imagedestroy($faceImage);
    return $success;
}

// Base directory for face images)php");
    lines += QStringLiteral("$outputDirectory = '") + PhpQuoted(outputDirectory) + QStringLiteral("';");
    lines += TemplateLines(R"php($savedFaces = [];

echo "Processing " . count($faces) . " detected face(s)...\n";

// Determine file extension based on outputFormat
$extension = strtolower($outputFormat);
if ($extension === 'jpeg') $extension = 'jpg';

// Function to find next available filename
function getNextAvailableFilename($directory, $extension) {
    $counter = 1;
    do {
        $filename = $directory . '/face' . $counter . "." . $extension;
        $counter++;
    } while (file_exists($filename) || is_link($filename));
    return $filename;
}

// Extract and save each detected face
foreach ($faces as $face) {
    $x = (int)$face['x'];
    $y = (int)$face['y'];
    $width = (int)$face['width'];
    $height = (int)$face['height'];
    
    // Find next available filename
    $faceFilename = getNextAvailableFilename($outputDirectory, $extension);
    
    // Save the face image using the same format as specified in outputFormat, through the
    // handle of a file created for it: never through a link, never over a file that appeared
    // meanwhile
    $reserved = @fopen($faceFilename, 'x');
    $success = $reserved !== false
        && saveFaceImage($image, $x, $y, $width, $height, $reserved, $outputFormat);
    if ($reserved !== false) {
        $success = fclose($reserved) && $success;
    }
    if (!$success && $reserved !== false) {
        unlink($faceFilename);
    }
    
    if ($success) {
        $savedFaces[] = $faceFilename;
        echo "Face saved: " . basename($faceFilename) . "\n";
        echo "  Dimensions: {$width}x{$height} pixels\n";
        echo "  Position: ({$x}, {$y})\n\n";
    } else {
        echo "Failed to save face to: " . basename($faceFilename) . "\n";
    }
})php");
    lines += ScriptClosingLine();
    return lines;
}
