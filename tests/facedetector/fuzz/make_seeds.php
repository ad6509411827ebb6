<?php
// Writes a few small pictures per decoder (and orientation tags) as the fuzzers' starting corpus:
//   php make_seeds.php OUTPUT_DIR
// OUTPUT_DIR/<decoder>/ gets that decoder's pictures; OUTPUT_DIR/image_file/ gets all of them.
$out = $argv[1];
$im = imagecreatetruecolor(24, 16);
for ($y = 0; $y < 16; $y++) {
    for ($x = 0; $x < 24; $x++) {
        imagesetpixel($im, $x, $y, imagecolorallocate($im, $x * 10, $y * 15, 128));
    }
}
$palette = imagecreatetruecolor(24, 16);
imagecopy($palette, $im, 0, 0, 0, 0, 24, 16);
imagetruecolortopalette($palette, false, 16);
$interlaced = imagecreatetruecolor(24, 16);
imagecopy($interlaced, $im, 0, 0, 0, 0, 24, 16);
imageinterlace($interlaced, true);

function capture($write) { ob_start(); $write(); return ob_get_clean(); }
$seeds = array(
    'png' => array(capture(fn() => imagepng($im)), capture(fn() => imagepng($palette)), capture(fn() => imagepng($interlaced))),
    'jpeg' => array(capture(fn() => imagejpeg($im, null, 80)), capture(fn() => imagejpeg($interlaced, null, 80))),
    'gif' => array(capture(fn() => imagegif($palette)), capture(fn() => imagegif($interlaced))),
    'bmp' => array(capture(fn() => imagebmp($im, null, false)), capture(fn() => imagebmp($palette, null, false)),
                   capture(fn() => imagebmp($palette, null, true))),
    'webp' => array(capture(fn() => imagewebp($im, null, 80)), capture(fn() => imagewebp($im, null, IMG_WEBP_LOSSLESS))),
);

// GD writes no TIFF: an uncompressed RGB one, one strip, by hand.
$pixels = '';
for ($y = 0; $y < 16; $y++) {
    for ($x = 0; $x < 24; $x++) {
        $pixels .= chr($x * 10) . chr($y * 15) . chr(128);
    }
}
$entries = array( // tag, type (3 short, 4 long), value
    array(256, 3, 24), array(257, 3, 16), array(258, 3, 8), array(259, 3, 1), array(262, 3, 2),
    array(273, 4, 0), array(277, 3, 3), array(278, 3, 16), array(279, 4, strlen($pixels)),
);
$ifdSize = 2 + 12 * count($entries) + 4;
$entries[5][2] = 8 + $ifdSize; // pixels right after the directory
$ifd = pack('v', count($entries));
foreach ($entries as list($tag, $type, $value)) {
    $ifd .= pack('vvV', $tag, $type, 1) . ($type === 3 ? pack('vv', $value, 0) : pack('V', $value));
}
$seeds['tiff'] = array("II*\0" . pack('V', 8) . $ifd . pack('V', 0) . $pixels);

// An animated WEBP: two frames of the lossless picture on its canvas.
$chunk = function ($type, $data) { return $type . pack('V', strlen($data)) . $data . (strlen($data) % 2 ? "\0" : ''); };
$u24 = function ($value) { return substr(pack('V', $value), 0, 3); };
$frame = $chunk('ANMF', $u24(0) . $u24(0) . $u24(23) . $u24(15) . $u24(100) . "\0" . substr($seeds['webp'][1], 12));
$body = 'WEBP' . $chunk('VP8X', "\x02\0\0\0" . $u24(23) . $u24(15)) . $chunk('ANIM', pack('Vv', 0xffffffff, 0)) . $frame . $frame;
$seeds['webp'][] = 'RIFF' . pack('V', strlen($body)) . $body;

// HEIF and AVIF, written by libheif's encoder from the PNG; a BigTIFF of the same pixels.
$seeds['heif'] = array();
$png = tempnam(sys_get_temp_dir(), 'seed') . '.png';
file_put_contents($png, $seeds['png'][0]);
foreach (array('heic', 'avif') as $kind) {
    $coded = "$png.$kind";
    exec('heif-enc -q 50 -o ' . escapeshellarg($coded) . ' ' . escapeshellarg($png) . ' 2>/dev/null', $ignored, $status);
    if ($status === 0) {
        $seeds['heif'][] = file_get_contents($coded);
    }
    @unlink($coded);
}
@unlink($png);
$entries[5][2] = 16 + 8 + 20 * count($entries) + 8; // pixels right after the directory
$bigIfd = pack('P', count($entries));
foreach ($entries as list($tag, $type, $value)) {
    $bigIfd .= pack('vvP', $tag, $type, 1) . ($type === 3 ? pack('vvV', $value, 0, 0) : pack('VV', $value, 0));
}
$seeds['tiff'][] = "II+\0" . pack('vvP', 8, 0, 16) . $bigIfd . pack('P', 0) . $pixels;
// The list's header readers take PNG, BMP, HEIF and AVIF.
$seeds['list_headers'] = array_merge($seeds['png'], $seeds['bmp'], $seeds['heif']);

// Orientation tags: a JPEG with an Exif segment saying "rotate 90 degrees", and a TIFF
// directory holding only the tag.
$tiffOrientation = "II*\0" . pack('V', 8) . pack('v', 1) . pack('vvVvv', 0x0112, 3, 1, 6, 0) . pack('V', 0);
$exif = "Exif\0\0" . $tiffOrientation;
$jpeg = $seeds['jpeg'][0];
$seeds['orientation'] = array(substr($jpeg, 0, 2) . "\xff\xe1" . pack('n', strlen($exif) + 2) . $exif . substr($jpeg, 2),
                              $tiffOrientation);

foreach ($seeds as $decoder => $files) {
    foreach ($decoder === 'list_headers' ? array($decoder) : array($decoder, 'image_file') as $folder) {
        @mkdir("$out/$folder", 0777, true);
        foreach ($files as $i => $bytes) {
            file_put_contents("$out/$folder/$decoder-$i", $bytes);
        }
    }
}
