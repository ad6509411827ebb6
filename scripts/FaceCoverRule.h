#pragma once
// How Mirelon covers a face so that it cannot be recognised: the one rule for every place that
// covers faces (the Blur action's script for pictures, and video frames), so that a face is
// hidden alike wherever it appears.
//
// 1. The area. The face box (as the detector gives it, in the upright picture) grown on every
//    side by CoverMarginPercent % of its width (left and right) and of its height (top and
//    bottom), so that hair, ears and chin go too; then cut at the picture's edges (CoverArea).
//    The detector's box holds the eyes, nose and mouth only.
// 2. The mosaic. The area is cut into square blocks of CoverBlockSize(face) pixels, starting at
//    its top-left corner; the last column and row may be narrower. Each block takes the colour of
//    its top-left pixel. The block size grows with the face, about CoverBlocksAcross blocks
//    across the face box's longer side, never below CoverSmallestBlock pixels, so small faces
//    look as they always did.
// 3. The softening. The mosaic is blurred by a Gaussian confined to the area (pixels outside it
//    stay as they were) whose sigma grows with the block: CoverSofteningSigma(block) pixels,
//    about 1.6 pixels for blocks up to CoverSofteningBlock pixels and a tenth of the block above.
//    It softens the block edges without turning the mosaic into a smooth, face-like blob: a
//    stronger softening lets face detectors find the covered face again.
//
// The PHP scripts (GD) do step 3 as GD can do it cheaply: the mosaic is drawn with blocks of
// min(block, CoverSofteningBlock) pixels, given CoverSofteningPasses passes of GD's 3 x 3
// Gaussian (IMG_FILTER_GAUSSIAN_BLUR; variance 1/2 a pass), and enlarged to the real block size
// with bilinear interpolation. Elsewhere (OpenCV: the block colours enlarged with INTER_NEAREST,
// then cv::GaussianBlur with CoverSofteningSigma on the area alone) the same look comes from the
// sigma directly. Video frames keep the rule, made steady from frame to frame: block sizes on a
// ladder, rounded up, and the area grown out to whole blocks (video/FrameCover.cpp).
//
// The figures were chosen on the privacy benchmark (bench/privacy, README "How Blur covers a
// face"): with them a face-recognition model no longer matches covered faces to their person and
// our own engine no longer finds them, each with room to spare.

namespace facecover {

// A rectangle in picture pixels; empty when width or height is 0.
struct Box {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Box &) const = default;
};

inline constexpr int CoverMarginPercent = 50;   // added on each side, of the box's width or height
inline constexpr int CoverBlocksAcross = 3;     // blocks across the face box's longer side, at most
inline constexpr int CoverSmallestBlock = 8;    // pixels: the block size of small faces
inline constexpr int CoverSofteningBlock = 16;  // pixels a block while GD softens (see above)
inline constexpr int CoverSofteningPasses = 5;  // GD Gaussian passes

// The area to cover for a face box: grown by the margin, cut at the picture (pictureWidth x
// pictureHeight). Empty when the box lies wholly outside the picture or is empty.
Box CoverArea(const Box &face, int pictureWidth, int pictureHeight);

// The mosaic's block size in pixels for a face box: ceil(longer side / CoverBlocksAcross), at
// least CoverSmallestBlock.
int CoverBlockSize(const Box &face);

// The Gaussian sigma in pixels that softens a mosaic of the given block size: sqrt(passes / 2)
// at CoverSofteningBlock pixels a block or less, growing in proportion to the block above.
double CoverSofteningSigma(int blockSize);

} // namespace facecover
