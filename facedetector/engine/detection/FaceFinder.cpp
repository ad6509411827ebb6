#include "facedetector/engine/detection/FaceFinder.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <mutex>
#include <thread>

#include <opencv2/imgproc.hpp>

#include "facedetector/engine/detection/BoxMerge.h"

namespace facedetect {
namespace {

struct Level {
    cv::Mat pixels;
    double scaleX = 1, scaleY = 1; // level pixels per picture pixel
};

struct WorkItem {
    int level = 0;
    Tile tile;
    double minBox = 0, maxBox = 0; // box sizes (model pixels) the level answers for
};

cv::Size LevelSize(const cv::Mat &picture, double scale)
{
    return {std::max(1, static_cast<int>(std::lround(picture.cols * scale))), std::max(1, static_cast<int>(std::lround(picture.rows * scale)))};
}

// The items the turns give to this frame.
std::vector<WorkItem> ThisFramesTurn(std::vector<WorkItem> work, int levelCount, const SearchTurns &turns)
{
    std::vector<int> itemLevels;
    std::vector<double> itemPixels;
    for (const WorkItem &item : work) {
        itemLevels.push_back(item.level);
        itemPixels.push_back(static_cast<double>(item.tile.width) * item.tile.height);
    }
    const std::vector<Turn> plan = PlanTurns(itemLevels, itemPixels, levelCount, turns.longestPeriod);
    std::vector<WorkItem> due;
    for (std::size_t i = 0; i < work.size(); ++i)
        if (turns.frame % plan[i].period == plan[i].phase)
            due.push_back(work[i]);
    return due;
}

// A level of the picture at the given scale, resized from the finest earlier level (coarser
// levels come from smaller sources, which is much faster on large photos).
Level MakeLevel(const cv::Mat &picture, double scale, const Level *finer)
{
    const auto [width, height] = LevelSize(picture, scale);
    const cv::Mat &source = finer && finer->pixels.cols >= width && finer->pixels.rows >= height ? finer->pixels : picture;
    Level level;
    if (width == source.cols && height == source.rows) {
        level.pixels = source;
    } else {
        // Shrinking by less than half needs no area averaging; bilinear is many times faster.
        const bool mildShrink = width * 2 >= source.cols && height * 2 >= source.rows;
        const bool shrink = width <= source.cols && height <= source.rows;
        cv::resize(source, level.pixels, cv::Size(width, height), 0, 0, shrink && !mildShrink ? cv::INTER_AREA : cv::INTER_LINEAR);
    }
    level.scaleX = static_cast<double>(width) / picture.cols;
    level.scaleY = static_cast<double>(height) / picture.rows;
    return level;
}

bool CutByInnerEdge(const Detection &d, const Tile &tile)
{
    return (tile.innerLeft && d.x < 0) || (tile.innerTop && d.y < 0) || (tile.innerRight && d.x + d.width > tile.width) ||
           (tile.innerBottom && d.y + d.height > tile.height);
}

std::vector<Detection> RunTiles(const std::vector<Level> &levels, const std::vector<WorkItem> &work, NetworkPool &networks,
                                const FinderOptions &options)
{
    unsigned threads = options.threads;
    if (!threads) {
        // A worker without a kept network builds its own first, which costs about as much as
        // searching a megapixel: small pictures are done sooner by one worker.
        double pixels = 0;
        for (const WorkItem &item : work)
            pixels += static_cast<double>(item.tile.width) * item.tile.height;
        threads = std::min(std::max(1u, std::thread::hardware_concurrency()), static_cast<unsigned>(std::ceil(pixels / 1e6)));
    }
    threads = std::max(1u, std::min<unsigned>(threads, static_cast<unsigned>(work.size())));

    std::atomic<std::size_t> next{0};
    std::mutex lock;
    // Each item's candidates in a place of their own: which worker takes which item, and in what
    // order they end, depends on the load; the merge must not, or the faces found would.
    std::vector<std::vector<Detection>> perItem(work.size());
    std::exception_ptr failure;

    auto worker = [&] {
        try {
            std::unique_ptr<FaceDetectorNetwork> network = networks.Take();
            for (std::size_t i = next++; i < work.size(); i = next++) {
                std::vector<Detection> &found = perItem[i];
                const WorkItem &item = work[i];
                const Level &level = levels[item.level];
                const cv::Rect inside(item.tile.x, item.tile.y, item.tile.width, item.tile.height);
                for (const Detection &d : network->Detect(level.pixels(inside), options.minScore)) {
                    if (CutByInnerEdge(d, item.tile))
                        continue;
                    const double size = std::max(d.width, d.height);
                    if (size < item.minBox || size > item.maxBox)
                        continue;
                    Detection mapped;
                    mapped.x = static_cast<float>((item.tile.x + d.x) / level.scaleX);
                    mapped.y = static_cast<float>((item.tile.y + d.y) / level.scaleY);
                    mapped.width = static_cast<float>(d.width / level.scaleX);
                    mapped.height = static_cast<float>(d.height / level.scaleY);
                    mapped.score = d.score;
                    found.push_back(mapped);
                }
            }
            networks.Return(std::move(network));
        } catch (...) {
            std::lock_guard guard(lock);
            if (!failure)
                failure = std::current_exception();
            next = work.size(); // stop the other workers early
        }
    };

    // Each worker runs whole passes; OpenCV's own pool would only compete with them.
    // Left alone when it is one already: a caller running several searches at once (video frames)
    // sets it once, and changing it while another search runs would disturb that one.
    const int openCvThreads = cv::getNumThreads();
    if (openCvThreads != 1)
        cv::setNumThreads(1);
    {
        std::vector<std::jthread> pool; // joined on every way out of this block
        for (unsigned i = 1; i < threads; ++i)
            pool.emplace_back(worker);
        worker();
    }
    if (openCvThreads != 1)
        cv::setNumThreads(openCvThreads);
    if (failure)
        std::rethrow_exception(failure);
    std::vector<Detection> candidates;
    for (const std::vector<Detection> &found : perItem)
        candidates.insert(candidates.end(), found.begin(), found.end());
    return candidates;
}

} // namespace

std::vector<Face> FindFaces(const cv::Mat &picture, NetworkPool &networks, const FinderOptions &options)
{
    CV_Assert(picture.type() == CV_8UC3 && !picture.empty());
    const std::vector<LevelPlan> plans = PlanLevels(picture.cols, picture.rows, options.pyramid);
    const int overlap = static_cast<int>(std::ceil(options.pyramid.maxFaceInModel * options.pyramid.tileOverlapFaces));
    std::vector<WorkItem> work;
    for (std::size_t i = 0; i < plans.size(); ++i) {
        const cv::Size size = LevelSize(picture, plans[i].scale);
        for (const Tile &tile : PlanTiles(size.width, size.height, options.pyramid.tileSize, overlap))
            work.push_back({static_cast<int>(i), tile, plans[i].minBox, plans[i].maxBox});
    }
    if (options.turns.longestPeriod > 1)
        work = ThisFramesTurn(std::move(work), static_cast<int>(plans.size()), options.turns);

    // Only the levels this search needs, each made from the finest one made before it.
    std::vector<Level> levels(plans.size());
    const Level *finest = nullptr;
    for (std::size_t i = 0; i < plans.size(); ++i)
        if (std::any_of(work.begin(), work.end(), [&](const WorkItem &item) { return item.level == static_cast<int>(i); })) {
            levels[i] = MakeLevel(picture, plans[i].scale, finest);
            finest = &levels[i];
        }
    // Largest tiles first, so that the workers finish at about the same time.
    std::stable_sort(work.begin(), work.end(), [](const WorkItem &a, const WorkItem &b) {
        return static_cast<long long>(a.tile.width) * a.tile.height > static_cast<long long>(b.tile.width) * b.tile.height;
    });

    std::vector<Detection> boxes = RunTiles(levels, work, networks, options);
    boxes = BlendOverlapping(std::move(boxes), options.blendIoU);
    boxes = DropNested(boxes, options.nestedInside, options.nestedAreaRatio);

    std::vector<Face> faces;
    for (const Detection &box : boxes) {
        const Detection grown = ScaleAboutCentre(box, options.boxGrowth);
        const int left = std::clamp(static_cast<int>(std::lround(grown.x)), 0, picture.cols);
        const int top = std::clamp(static_cast<int>(std::lround(grown.y)), 0, picture.rows);
        const int right = std::clamp(static_cast<int>(std::lround(grown.x + grown.width)), 0, picture.cols);
        const int bottom = std::clamp(static_cast<int>(std::lround(grown.y + grown.height)), 0, picture.rows);
        if (right > left && bottom > top)
            faces.push_back({left, top, right - left, bottom - top, box.score});
    }
    std::sort(faces.begin(), faces.end(), [](const Face &a, const Face &b) { return a.x != b.x ? a.x < b.x : a.y < b.y; });
    return faces;
}

} // namespace facedetect
