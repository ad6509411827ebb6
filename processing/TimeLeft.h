#pragma once
#include <QString>

#include <optional>

// How long the rest of a run will take, judged from the pace so far: the time per finished
// image times the images still to do. None until a few images are done (or one image has taken
// a while), since the first ones say little about the rest.
std::optional<qint64> EstimateMillisecondsLeft(qint64 elapsedMilliseconds, qsizetype done, qsizetype total);

// "less than 1 min left", "about 4 min left", "about 2 h 5 min left".
QString TimeLeftText(qint64 milliseconds);
