<?php
// Writes one small picture with faces in every format the detector reads, plus GIF variants
// whose pixel grid is easy to get wrong:
//   php make_fixtures.php SOURCE_PICTURE OUTPUT_DIR
// TIFF is written by the test itself (GD has no TIFF writer).
list(, $source, $out) = $argv;
$picture = imagecreatefromstring(file_get_contents($source));
$im = imagescale($picture, 300, 225, IMG_BICUBIC);

imagepng($im, "$out/face.png");
imagebmp($im, "$out/face.bmp");
imagewebp($im, "$out/face.webp", IMG_WEBP_LOSSLESS);
imagejpeg($im, "$out/face.jpg", 95);

$palette = imagecreatetruecolor(300, 225);
imagecopy($palette, $im, 0, 0, 0, 0, 300, 225);
imagetruecolortopalette($palette, false, 256);
imagepng($palette, "$out/face-palette.png");
imagebmp($palette, "$out/face-8bit.bmp", false);
imagebmp($palette, "$out/face-rle8.bmp", true);
imagegif($im, "$out/face.gif");
$interlaced = imagecreatetruecolor(300, 225);
imagecopy($interlaced, $im, 0, 0, 0, 0, 300, 225);
imageinterlace($interlaced, true);
imagegif($interlaced, "$out/face-interlaced.gif");

// A GIF whose frame lies at (40, 30) on a larger logical screen: GD decodes the frame alone.
$gif = file_get_contents("$out/face.gif");
$flags = ord($gif[10]);
$pos = 13 + (($flags & 0x80) ? 3 * (1 << (($flags & 7) + 1)) : 0);
while ($gif[$pos] === "\x21") { // skip extensions: introducer, label, sub-blocks
    $pos += 2;
    while (($size = ord($gif[$pos])) !== 0) {
        $pos += $size + 1;
    }
    $pos++;
}
$gif = substr_replace($gif, pack('vv', 340, 255), 6, 4);
$gif = substr_replace($gif, pack('vv', 40, 30), $pos + 1, 4);
file_put_contents("$out/face-offset.gif", $gif);

// What GD decodes: file => width x height.
foreach (glob("$out/face*") as $file) {
    $decoded = imagecreatefromstring(file_get_contents($file));
    echo basename($file), ' ', imagesx($decoded), 'x', imagesy($decoded), "\n";
}
