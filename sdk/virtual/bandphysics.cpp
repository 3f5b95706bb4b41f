#include "bandphysics.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tcsim {
namespace {

constexpr double kFrom = 150.0, kTo = 1200.0, kStep = 0.05; // K

double planckIntegral(double kelvin)
{
    // Simpson's rule over 8..14 um in 240 panels; c1 = 2 h c^2, c2 = h c / k.
    constexpr double c1 = 1.191042972e8, c2 = 14387.7736, from = 8.0, to = 14.0;
    constexpr int panels = 240;
    auto spectral = [&](double um) { return c1 / (um * um * um * um * um * std::expm1(c2 / (um * kelvin))); };
    const double h = (to - from) / panels;
    double sum = spectral(from) + spectral(to);
    for (int i = 1; i < panels; ++i)
        sum += (i % 2 ? 4.0 : 2.0) * spectral(from + i * h);
    return sum * h / 3.0;
}

const std::vector<double>& table()
{
    static const std::vector<double> radiances = [] {
        std::vector<double> values(size_t(std::lround((kTo - kFrom) / kStep)) + 1);
        for (size_t i = 0; i < values.size(); ++i)
            values[i] = planckIntegral(kFrom + kStep * double(i));
        return values;
    }();
    return radiances;
}

} // namespace

double bandRadiance(double kelvin)
{
    const std::vector<double>& t = table();
    const double position = std::clamp((kelvin - kFrom) / kStep, 0.0, double(t.size() - 1));
    const size_t i = std::min(size_t(position), t.size() - 2);
    return t[i] + (t[i + 1] - t[i]) * (position - double(i));
}

double bandTemperature(double radiance)
{
    const std::vector<double>& t = table();
    if (radiance <= t.front())
        return kFrom;
    if (radiance >= t.back())
        return kTo;
    const size_t i = size_t(std::upper_bound(t.begin(), t.end(), radiance) - t.begin()) - 1;
    return kFrom + kStep * (double(i) + (radiance - t[i]) / (t[i + 1] - t[i]));
}

} // namespace tcsim
