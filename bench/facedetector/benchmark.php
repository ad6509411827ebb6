<?php
// Face detection benchmark: scores FaceDetector.php (whole process: PHP start, engine start,
// model load, detection) on the shared pictures with ground truth and on copies of them stored
// with each EXIF orientation, times it against Debian's facedetect tool on the same pictures in
// the same run, and times a 12- and a 50-megapixel photo.
//
//   php benchmark.php --runtime BUILD_DIR --faces FACES_DIR [--runs N] [--skip-peer] [--skip-large] [--sweep]
//
// --sweep also runs the engine once per picture at a low threshold and prints, for a range of
// thresholds, the faces found and the false positives: the table the threshold is chosen from.

$options = getopt('', array('runtime:', 'faces:', 'runs:', 'skip-peer', 'skip-large', 'sweep'));
$runtime = rtrim($options['runtime'] ?? '', '/');
$facesDir = rtrim($options['faces'] ?? '', '/');
$runs = max(1, (int)($options['runs'] ?? 5));
if (!is_file("$runtime/FaceDetector.php") || !is_file("$facesDir/training.xml")) {
    fwrite(STDERR, "usage: php benchmark.php --runtime BUILD_DIR --faces FACES_DIR [--runs N] [--skip-peer] [--skip-large] [--sweep]\n");
    exit(2);
}
foreach (array('exiftool', 'jpegtran') as $tool) {
    if (trim((string)shell_exec('command -v ' . $tool)) === '') {
        fwrite(STDERR, "$tool is needed (Debian packages libimage-exiftool-perl and libjpeg-turbo-progs)\n");
        exit(2);
    }
}
$php = PHP_BINARY;
$engine = "$runtime/mirelon-facedetect";
$peer = isset($options['skip-peer']) ? '' : trim((string)shell_exec('command -v facedetect'));

// Faces the truth files leave out, checked by eye: they count neither way.
// 2008_002079.jpg: two diners behind the window at the back, about 12 pixels high.
// dogs.jpg: a woman's face, 14 pixels high, in a photo pinned to the wall behind a dog.
$unmarked = array(
    '2008_002079.jpg' => array(array(417, 81, 16, 20), array(473, 70, 14, 18)),
    'dogs.jpg' => array(array(74, 452, 20, 24)),
);

// Ground truth: <image file='...'> with <box top left width height [ignore='1']/> children.
function readTruth($xmlPath)
{
    $xml = file_get_contents($xmlPath);
    preg_match_all("~<image file='([^']+)'[^>]*>(.*?)</image>~s", $xml, $images, PREG_SET_ORDER);
    $truth = array();
    foreach ($images as $image) {
        preg_match_all("~<box top='(\d+)' left='(\d+)' width='(\d+)' height='(\d+)'([^>]*)>~", $image[2], $boxes, PREG_SET_ORDER);
        $truth[$image[1]] = array('faces' => array(), 'ignore' => array());
        foreach ($boxes as $b) {
            $box = array((int)$b[2], (int)$b[1], (int)$b[3], (int)$b[4]);
            $truth[$image[1]][strpos($b[5], "ignore='1'") !== false ? 'ignore' : 'faces'][] = $box;
        }
    }
    return $truth;
}

function iou($a, $b)
{
    $w = min($a[0] + $a[2], $b[0] + $b[2]) - max($a[0], $b[0]);
    $h = min($a[1] + $a[3], $b[1] + $b[3]) - max($a[1], $b[1]);
    if ($w <= 0 || $h <= 0) {
        return 0.0;
    }
    $common = $w * $h;
    return $common / ($a[2] * $a[3] + $b[2] * $b[3] - $common);
}

// One-to-one matching, best pairs first. A found box not matched whose centre lies in an
// ignored box counts neither way. Returns [true positives, false positives].
function score($found, $truth, $ignore, $threshold)
{
    $pairs = array();
    foreach ($found as $i => $f) {
        foreach ($truth as $j => $t) {
            $v = iou($f, $t);
            if ($v >= $threshold) {
                $pairs[] = array($v, $i, $j);
            }
        }
    }
    rsort($pairs);
    $usedF = $usedT = array();
    foreach ($pairs as $p) {
        if (!isset($usedF[$p[1]]) && !isset($usedT[$p[2]])) {
            $usedF[$p[1]] = $usedT[$p[2]] = true;
        }
    }
    $fp = 0;
    foreach ($found as $i => $f) {
        if (isset($usedF[$i])) {
            continue;
        }
        $cx = $f[0] + $f[2] / 2;
        $cy = $f[1] + $f[3] / 2;
        $ignored = false;
        foreach ($ignore as $g) {
            $ignored = $ignored || ($cx >= $g[0] && $cx <= $g[0] + $g[2] && $cy >= $g[1] && $cy <= $g[1] + $g[3]);
        }
        $fp += $ignored ? 0 : 1;
    }
    return array(count($usedT), $fp);
}

// Runs a command (argument array, no shell); returns [exit code, stdout, milliseconds, stderr].
function timed(array $command)
{
    $start = hrtime(true);
    $process = proc_open($command, array(0 => array('file', '/dev/null', 'r'), 1 => array('pipe', 'w'), 2 => array('pipe', 'w')), $pipes);
    $out = stream_get_contents($pipes[1]);
    $err = stream_get_contents($pipes[2]);
    fclose($pipes[1]);
    fclose($pipes[2]);
    $code = proc_close($process);
    $ms = (hrtime(true) - $start) / 1e6;
    if ($code !== 0 && $err !== '') {
        fwrite(STDERR, trim($err) . "\n");
    }
    return array($code, $out, $ms, $err);
}

function run(array $command)
{
    list($code, $out, , $err) = timed($command);
    if ($code !== 0) {
        fwrite(STDERR, implode(' ', $command) . " failed ($code): $err\n");
        exit(1);
    }
    return $out;
}

// Lines "x y width height [score]".
function parseBoxes($text)
{
    $boxes = array();
    foreach (preg_split('/\R/', $text, -1, PREG_SPLIT_NO_EMPTY) as $line) {
        if (preg_match('/^(-?\d+) (-?\d+) (\d+) (\d+)(?: ([\d.]+))?$/', trim($line), $m)) {
            $boxes[] = array((int)$m[1], (int)$m[2], (int)$m[3], (int)$m[4], isset($m[5]) ? (float)$m[5] : 1.0);
        }
    }
    return $boxes;
}

function libraryCommand($php, $runtime, $image)
{
    $script = 'require ' . var_export("$runtime/FaceDetector.php", true) . ';'
        . '$d = new FaceDetector(); $d->scan(' . var_export($image, true) . ');'
        . 'foreach ($d->getFaces() as $f) echo "$f[x] $f[y] $f[width] $f[height]\n";';
    return array($php, '-r', $script);
}

function median(array $values)
{
    sort($values);
    $n = count($values);
    return $n % 2 ? $values[intdiv($n, 2)] : ($values[$n / 2 - 1] + $values[$n / 2]) / 2;
}

// The lossless jpegtran operation that stores an upright picture so that a viewer applying
// EXIF orientation N shows it upright again (the inverse of the tag's turn).
const STORE_AS = array(
    2 => array('-flip', 'horizontal'), 3 => array('-rotate', '180'), 4 => array('-flip', 'vertical'),
    5 => array('-transpose'), 6 => array('-rotate', '270'), 7 => array('-transverse'), 8 => array('-rotate', '90'),
);

$temp = sys_get_temp_dir() . '/mirelon-bench-' . getmypid();
mkdir($temp);
register_shutdown_function(function () use ($temp) {
    foreach (glob("$temp/*") as $file) {
        unlink($file);
    }
    rmdir($temp);
});

// The pictures: each shared picture with truth, cut to whole 16-pixel blocks so that every
// turn is exactly lossless (at most 15 pixels go at the right and bottom), then stored once
// per orientation; plus dogs.jpg, which holds no human face.
$truth = readTruth("$facesDir/training.xml") + readTruth("$facesDir/crowd.xml");
$pictures = array(); // name => [path, faces, ignored, group]
foreach ($truth as $file => $boxes) {
    $size = getimagesize("$facesDir/$file");
    $w = intdiv($size[0], 16) * 16;
    $h = intdiv($size[1], 16) * 16;
    $base = pathinfo($file, PATHINFO_FILENAME);
    $upright = "$temp/$base-1.jpg";
    run(array('jpegtran', '-copy', 'none', '-crop', "{$w}x{$h}+0+0", '-outfile', $upright, "$facesDir/$file"));
    $ignored = array_merge($boxes['ignore'], $unmarked[$file] ?? array());
    $group = isset(readTruth("$facesDir/crowd.xml")[$file]) ? 'crowd' : 'training';
    $pictures["$base-1"] = array($upright, $boxes['faces'], $ignored, $group, 1);
    foreach (STORE_AS as $orientation => $operation) {
        $stored = "$temp/$base-$orientation.jpg";
        run(array_merge(array('jpegtran', '-copy', 'none', '-perfect'), $operation, array('-outfile', $stored, $upright)));
        run(array('exiftool', '-q', '-overwrite_original', '-n', "-Orientation=$orientation", $stored));
        $pictures["$base-$orientation"] = array($stored, $boxes['faces'], $ignored, "$group rotated", $orientation);
    }
}
$pictures['dogs'] = array("$facesDir/dogs.jpg", array(), $unmarked['dogs.jpg'], 'dogs', 1);

// Accuracy of the library, one run per picture.
printf("%-22s %-4s %5s | %-13s | %-13s | %-13s\n", 'picture', 'tag', 'faces', 'IoU 0.3 TP FP', 'IoU 0.4 TP FP', 'IoU 0.5 TP FP');
$groups = array();
$found = array();
foreach ($pictures as $name => list($path, $faces, $ignored, $group, $orientation)) {
    $boxes = parseBoxes(run(libraryCommand($php, $runtime, $path)));
    $found[$name] = count($boxes);
    $row = array();
    foreach (array('0.3', '0.4', '0.5') as $t) {
        $row[$t] = score($boxes, $faces, $ignored, (float)$t);
        $groups[$group][$t][0] = ($groups[$group][$t][0] ?? 0) + $row[$t][0];
        $groups[$group][$t][1] = ($groups[$group][$t][1] ?? 0) + $row[$t][1];
    }
    $groups[$group]['faces'] = ($groups[$group]['faces'] ?? 0) + count($faces);
    printf("%-22s %-4d %5d | %6d %6d | %6d %6d | %6d %6d\n", $name, $orientation, count($faces),
        $row['0.3'][0], $row['0.3'][1], $row['0.4'][0], $row['0.4'][1], $row['0.5'][0], $row['0.5'][1]);
}

echo "\nRecall and false positives by group:\n";
$fpTotal = 0;
foreach ($groups as $group => $g) {
    printf("%-17s IoU 0.3: %3d/%-3d found %2d FP | IoU 0.4: %3d/%-3d found %2d FP | IoU 0.5: %3d/%-3d found %2d FP\n", $group,
        $g['0.3'][0], $g['faces'], $g['0.3'][1], $g['0.4'][0], $g['faces'], $g['0.4'][1], $g['0.5'][0], $g['faces'], $g['0.5'][1]);
    $fpTotal += $g['0.4'][1];
}
$rotatedKept = true;
foreach ($pictures as $name => $p) {
    $reference = preg_replace('/-\d$/', '-1', $name);
    if ($p[4] !== 1 && $found[$name] !== $found[$reference]) {
        $rotatedKept = false;
        echo "$name finds {$found[$name]} boxes, its upright original {$found[$reference]}\n";
    }
}
printf("goal: training 18 of 18 at IoU 0.4: %s\n", $groups['training']['0.4'][0] >= 18 ? 'met' : 'NOT met');
printf("goal: crowd 24 of 24 at IoU 0.4: %s\n", $groups['crowd']['0.4'][0] >= 24 ? 'met' : 'NOT met');
printf("goal: every rotated copy finds as many boxes as its upright original: %s\n", $rotatedKept ? 'met' : 'NOT met');
printf("goal: at most 1 false positive over all pictures (IoU 0.4): %s (%d)\n", $fpTotal <= 1 ? 'met' : 'NOT met', $fpTotal);

// The threshold table: every candidate the engine gives at a low threshold, with its score.
if (isset($options['sweep'])) {
    $scored = array();
    foreach ($pictures as $name => $p) {
        $scored[$name] = parseBoxes(run(array($engine, '--scores', '--threshold', '0.3', $p[0])));
    }
    echo "\nthreshold | faces found (IoU 0.4) | false positives\n";
    foreach (array(0.3, 0.35, 0.4, 0.45, 0.5, 0.55, 0.6, 0.65, 0.7, 0.75, 0.8, 0.85, 0.9) as $t) {
        $tp = $fp = $all = 0;
        foreach ($pictures as $name => $p) {
            $kept = array_filter($scored[$name], function ($b) use ($t) {
                return $b[4] >= $t;
            });
            list($a, $b) = score(array_values($kept), $p[1], $p[2], 0.4);
            $tp += $a;
            $fp += $b;
            $all += count($p[1]);
        }
        printf("%9.2f | %4d of %-4d          | %4d\n", $t, $tp, $all, $fp);
    }
}

// Speed: whole processes, the library and facedetect in turn on each 500 x 375 picture.
if ($peer !== '') {
    echo "\nWhole process per 500 x 375 picture, median of $runs runs each, taking turns:\n";
    $ratios = array();
    foreach ($truth as $file => $boxes) {
        $size = getimagesize("$facesDir/$file");
        if ($size[0] != 500 || $size[1] != 375) {
            continue;
        }
        $ms = array('library' => array(), 'facedetect' => array());
        $pairs = array();
        for ($r = 0; $r < $runs; $r++) {
            list(, , $a) = timed(libraryCommand($php, $runtime, "$facesDir/$file"));
            list(, , $b) = timed(array($peer, "$facesDir/$file"));
            $ms['library'][] = $a;
            $ms['facedetect'][] = $b;
            $pairs[] = $a / $b;
        }
        $ratios[] = median($pairs);
        printf("%-16s library %6.0f ms  facedetect %6.0f ms  ratio (pair by pair, median) %.3f\n", $file,
            median($ms['library']), median($ms['facedetect']), median($pairs));
    }
    printf("goal: library at most 0.15 x facedetect per 500 x 375 picture: %s (median ratios %s)\n",
        max($ratios) <= 0.15 ? 'met' : 'NOT met', implode(', ', array_map(function ($r) {
            return sprintf('%.3f', $r);
        }, $ratios)));
}

if (isset($options['skip-large'])) {
    exit(0);
}

// Large photos: a shared picture scaled up, through the library, timed with /usr/bin/time -v.
$source = imagecreatefromstring(file_get_contents("$facesDir/2008_001322.jpg"));
foreach (array('12' => array(4000, 3000, 1.5, 300), '50' => array(8160, 6120, 6.0, 600)) as $mp => list($w, $h, $goalS, $goalMb)) {
    $large = "$temp/large {$mp}MP.jpg";
    $scaled = imagescale($source, $w, $h, IMG_BICUBIC);
    imagejpeg($scaled, $large, 90);
    imagedestroy($scaled);
    $walls = $peaks = $cpus = array();
    $faces = 0;
    for ($r = 0; $r < 3; $r++) {
        list(, $out, , $err) = timed(array_merge(array('/usr/bin/time', '-v'), libraryCommand($php, $runtime, $large)));
        preg_match('/Elapsed \(wall clock\) time \(h:mm:ss or m:ss\): (?:(\d+):)?(\d+):([\d.]+)/', $err, $wall);
        preg_match('/Maximum resident set size \(kbytes\): (\d+)/', $err, $rss);
        preg_match('/User time \(seconds\): ([\d.]+)/', $err, $user);
        preg_match('/System time \(seconds\): ([\d.]+)/', $err, $system);
        $walls[] = ((int)($wall[1] ?? 0)) * 3600 + ((int)($wall[2] ?? 0)) * 60 + (float)($wall[3] ?? 0);
        $peaks[] = ((int)($rss[1] ?? 0)) / 1024;
        $cpus[] = (float)($user[1] ?? 0) + (float)($system[1] ?? 0);
        $faces = count(parseBoxes($out));
    }
    $s = median($walls);
    $mb = max($peaks);
    printf("%s-megapixel photo (%d x %d JPEG): %d faces, wall %.2f s, processor time %.2f s (medians of 3), peak memory %.0f MB (largest process) -> goal (< %.1f s, < %d MB) %s\n",
        $mp, $w, $h, $faces, $s, median($cpus), $mb, $goalS, $goalMb, ($s < $goalS && $mb < $goalMb) ? 'met' : 'NOT met');
    unlink($large);
}
