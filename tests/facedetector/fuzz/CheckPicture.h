#pragma once
#include <cstdlib>

#include <opencv2/core.hpp>

// A decoded picture must be 8-bit RGB with pixels; reading every pixel lets AddressSanitizer
// catch a picture whose memory is smaller than its size says.
inline void CheckPicture(const cv::Mat &picture)
{
    if (picture.type() != CV_8UC3 || picture.empty())
        std::abort();
    volatile unsigned sum = 0;
    for (int y = 0; y < picture.rows; ++y) {
        const auto *row = picture.ptr<cv::Vec3b>(y);
        for (int x = 0; x < picture.cols; ++x)
            sum = sum + row[x][0] + row[x][1] + row[x][2];
    }
}
