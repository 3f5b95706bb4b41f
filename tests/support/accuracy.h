#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

// |measured - truth| over all pixels: median and 99th percentile.
struct ErrorFigures
{
    double median;
    double p99;
};

inline ErrorFigures errorFigures(const float* measured, const std::vector<float>& truth)
{
    std::vector<double> e(truth.size());
    for (size_t i = 0; i < e.size(); ++i)
        e[i] = std::fabs(double(measured[i]) - truth[i]);
    std::sort(e.begin(), e.end());
    return {e[e.size() / 2], e[size_t(double(e.size()) * 0.99)]};
}

inline int indexOfMax(const std::vector<float>& v)
{
    return int(std::max_element(v.begin(), v.end()) - v.begin());
}

inline int indexOfMin(const std::vector<float>& v)
{
    return int(std::min_element(v.begin(), v.end()) - v.begin());
}
