<?php
// Stand-in for the face detection library in the benchmark: two fixed faces for every image,
// found in no time, so that what is measured is everything around the detection.
class FaceDetector
{
    public function scan($file)
    {
    }

    public function getFaces()
    {
        return [
            ['x' => 100, 'y' => 80, 'width' => 120, 'height' => 140],
            ['x' => 380, 'y' => 120, 'width' => 110, 'height' => 130],
        ];
    }

    // These pictures are used as decoded: no turn.
    public function getOrientation()
    {
        return 1;
    }
}
