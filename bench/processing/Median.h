#pragma once
#include <QList>

#include <algorithm>

// The median of the figures of several runs (the mean of the middle two for an even count).
template <typename T> double median(QList<T> values)
{
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? double(values[n / 2]) : (double(values[n / 2 - 1]) + double(values[n / 2])) / 2.0;
}
