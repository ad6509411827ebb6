<?php
// Mirelon face detection library.
//
//   $detector = new FaceDetector();
//   $detector->scan('/absolute/path/photo.jpg');
//   foreach ($detector->getFaces() as $face) { ... $face['x'], $face['y'], $face['width'], $face['height'] }
//   $orientation = $detector->getOrientation(); // how to turn the decoded picture upright
//
// The work is done by the engine mirelon-facedetect and its model, which lie beside this file.
// Boxes are integers in pixels of the upright image (origin top-left): the grid GD's
// imagecreatefromstring decodes, turned as the file's EXIF orientation tag says, as viewers show
// it. Only the engine reads that tag; getOrientation() tells the caller the turn it applied, so a
// script turns its decoded picture by exactly the same reading and the boxes land on the faces.
// Boxes come ordered left to right, then top to bottom. When an image cannot be searched, scan
// throws an Exception: an image whose faces could not be looked for must never pass as one
// without faces.
//
// When the environment names a faces file (MIRELON_FACES_FILE: what a user reviewed for this
// image, in the engine's own result form: "orientation N", then one "x y width height" line per
// face), scan returns that instead of searching.

class FaceDetector
{
    const ENGINE = 'mirelon-facedetect'; // it finds its model beside itself

    private $faces = array();
    private $orientation = 1;

    public function __construct()
    {
    }

    // Finds the faces in the image file at $path; returns them as getFaces() does.
    public function scan($path)
    {
        $this->faces = array();
        $this->orientation = 1;
        $path = (string)$path;
        if ($path === '' || strpos($path, "\0") !== false || !is_file($path) || !is_readable($path)) {
            throw new Exception("FaceDetector: cannot read the image file '$path'.");
        }
        $reviewed = getenv('MIRELON_FACES_FILE');
        if (is_string($reviewed) && $reviewed !== '') {
            list($this->orientation, $this->faces) = self::parseResult(self::readFacesFile($reviewed), "the reviewed faces file '$reviewed'", $path);
            return $this->faces;
        }
        list($code, $output, $errors) = self::run(array(self::engine(), '--orientation', '--', $path));
        if ($code !== 0) {
            throw new Exception("FaceDetector: cannot find the faces in '$path': " . self::engineReason($path, $errors, $code));
        }
        list($this->orientation, $this->faces) = self::parseResult($output, 'the engine', $path);
        return $this->faces;
    }

    // The orientation line and the boxes of an engine result (or a faces file in the same form),
    // boxes sorted; $source names where the text came from in the exception for a bad line.
    private static function parseResult($output, $source, $path)
    {
        $lines = preg_split('/\r?\n/', $output, -1, PREG_SPLIT_NO_EMPTY);
        $first = count($lines) > 0 ? array_shift($lines) : '';
        if (!preg_match('/^orientation ([1-8])$/', $first, $m)) {
            throw new Exception("FaceDetector: $source did not say how it turned '$path' upright: '$first'");
        }
        $orientation = (int)$m[1];
        $faces = array();
        foreach ($lines as $line) {
            if (!preg_match('/^(\d{1,9}) (\d{1,9}) (\d{1,9}) (\d{1,9})$/', $line, $m)) {
                throw new Exception("FaceDetector: $source gave a malformed result line for '$path': '$line'");
            }
            $faces[] = array('x' => (int)$m[1], 'y' => (int)$m[2], 'width' => (int)$m[3], 'height' => (int)$m[4]);
        }
        usort($faces, function ($a, $b) {
            return $a['x'] !== $b['x'] ? $a['x'] <=> $b['x'] : $a['y'] <=> $b['y'];
        });
        return array($orientation, $faces);
    }

    private static function readFacesFile($file)
    {
        $text = is_file($file) && is_readable($file) ? file_get_contents($file, false, null, 0, 16 * 1024 * 1024) : false;
        if ($text === false) {
            throw new Exception("FaceDetector: cannot read the reviewed faces file '$file'.");
        }
        return $text;
    }

    // A GD image of the image file at $path, whose bytes are $content: GD decodes the formats it
    // reads itself; TIFF, HEIF, AVIF and animated WEBP are decoded by the engine, the decoder the faces were
    // found with, and handed to GD as a BMP. The pixel grid is the stored one, as GD gives it
    // (HEIF and AVIF turned by their own container, as scan sees them). False when GD cannot
    // decode the bytes; throws an Exception when the engine cannot.
    public function createImage($path, $content)
    {
        if (!self::isEngineFormat((string)$content)) {
            return imagecreatefromstring($content);
        }
        list($code, $output, $errors) = self::run(array(self::engine(), '--bmp', '--', (string)$path));
        if ($code !== 0) {
            throw new Exception("FaceDetector: cannot decode the image '$path': " . self::engineReason($path, $errors, $code));
        }
        return imagecreatefromstring($output);
    }

    // Whether GD lacks the format of these bytes: TIFF and BigTIFF, the HEIF family (HEIC,
    // AVIF), which GD reads only in part, and animated WEBP (the engine gives its first frame).
    private static function isEngineFormat($content)
    {
        $head = substr($content, 0, 4);
        $animatedWebp = $head === 'RIFF' && substr($content, 8, 8) === 'WEBPVP8X' && strlen($content) > 20
            && (ord($content[20]) & 0x02) !== 0;
        return in_array($head, array("II*\0", "MM\0*", "II+\0", "MM\0+"), true) || substr($content, 4, 4) === 'ftyp'
            || $animatedWebp;
    }

    private static function engine()
    {
        $engine = __DIR__ . '/' . self::ENGINE;
        if (!is_file($engine) || !is_executable($engine)) {
            throw new Exception("FaceDetector: the face detection engine is missing: $engine");
        }
        return $engine;
    }

    // The engine's reason, without its name and the picture's path, which the caller names.
    private static function engineReason($path, $errors, $code)
    {
        $reason = trim($errors) !== '' ? trim($errors) : "the engine ended with exit code $code";
        $named = 'mirelon-facedetect: ' . $path . ': ';
        if (strncmp($reason, $named, strlen($named)) === 0) {
            $reason = substr($reason, strlen($named));
        }
        return $reason;
    }

    // The faces of the last scan: arrays with the integer keys 'x', 'y', 'width' and 'height'.
    public function getFaces()
    {
        return $this->faces;
    }

    // The EXIF orientation (1 to 8) by which the last scan turned the picture upright, as the
    // tag defines it: 1 as stored, 2 mirrored, 3 turned half round, 4 upside down mirrored, 5 to
    // 8 with rows and columns swapped. Turn the decoded picture by this value, not by a reading of
    // the file's tags of your own: the face boxes are in the picture turned this way.
    public function getOrientation()
    {
        return $this->orientation;
    }

    // Runs a program without a shell; returns its exit code, standard output and standard error.
    private static function run(array $command)
    {
        $pipes = array();
        // The model's buffers are many megabytes, first touched page by page: let the C library
        // back them with huge pages, which takes a fifth to a third off the engine's time.
        $environment = getenv();
        $tunables = isset($environment['GLIBC_TUNABLES']) && $environment['GLIBC_TUNABLES'] !== '' ? $environment['GLIBC_TUNABLES'] . ':' : '';
        $environment['GLIBC_TUNABLES'] = $tunables . 'glibc.malloc.hugetlb=1';
        $process = proc_open($command, array(0 => array('file', '/dev/null', 'r'), 1 => array('pipe', 'w'), 2 => array('pipe', 'w')), $pipes, null, $environment);
        if (!is_resource($process)) {
            throw new Exception('FaceDetector: cannot start the face detection engine ' . $command[0]);
        }
        // Read both pipes together so that neither can fill up and stall the engine.
        $output = '';
        $errors = '';
        $open = array(1 => $pipes[1], 2 => $pipes[2]);
        while ($open) {
            $read = array_values($open);
            $write = null;
            $except = null;
            if (stream_select($read, $write, $except, null) === false) {
                break;
            }
            foreach ($read as $stream) {
                $chunk = fread($stream, 65536);
                $which = array_search($stream, $open, true);
                if ($chunk === false || ($chunk === '' && feof($stream))) {
                    fclose($stream);
                    unset($open[$which]);
                } elseif ($which === 1) {
                    $output .= $chunk;
                } else {
                    $errors .= $chunk;
                }
            }
        }
        foreach ($open as $stream) {
            fclose($stream);
        }
        $code = proc_close($process);
        return array($code, $output, $errors);
    }
}
