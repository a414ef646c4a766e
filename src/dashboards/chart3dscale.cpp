#include "chart3dscale.h"

#include <algorithm>
#include <cmath>

namespace {
// A number lies on the range when it misses it by less than this share of
// the step: sums of steps are not exact in binary.
constexpr double Slack = 1e-9;

bool hasSpan(double lo, double hi)
{
    return std::isfinite(lo) && std::isfinite(hi) && hi > lo;
}

// The first and last multiple of step inside lo..hi.
void multiples(double lo, double hi, double step, double *first, double *last)
{
    *first = std::ceil(lo / step - Slack);
    *last = std::floor(hi / step + Slack);
}
} // namespace

double Chart3DScale::step(double lo, double hi, int intervals)
{
    if (!hasSpan(lo, hi))
        return 0.0;
    intervals = std::max(1, intervals);
    const double raw = (hi - lo) / intervals;
    if (!std::isfinite(raw) || raw <= 0.0)
        return 0.0;
    double power = std::pow(10.0, std::floor(std::log10(raw)));
    // Round numbers ascending from just below the raw distance; the first
    // that leaves few enough intervals is taken.
    for (int decade = 0; decade < 3; ++decade, power *= 10.0) {
        for (double mantissa : {1.0, 2.0, 2.5, 5.0}) {
            const double s = mantissa * power;
            if (!(s > 0.0) || !std::isfinite(s))
                return 0.0;
            double first = 0.0;
            double last = 0.0;
            multiples(lo, hi, s, &first, &last);
            if (last - first <= intervals)
                return s;
        }
    }
    return 0.0;
}

std::vector<double> Chart3DScale::numbers(double lo, double hi, int intervals)
{
    const double s = step(lo, hi, intervals);
    if (s == 0.0)
        return {lo};
    double first = 0.0;
    double last = 0.0;
    multiples(lo, hi, s, &first, &last);
    std::vector<double> out;
    // Counted, not summed: far from 0 a step of 1 may not change a double.
    const int count = int(last - first);
    for (int i = 0; i <= count; ++i) {
        double v = (first + i) * s;
        // A sum of steps that should be 0 is written as 0, not as -1e-17.
        if (std::fabs(v) < s * Slack)
            v = 0.0;
        out.push_back(v);
    }
    if (out.empty())
        out.push_back(lo);
    return out;
}

QString Chart3DScale::text(double value)
{
    return QString::number(value, 'g', 12);
}

void Chart3DScale::calculate()
{
    majors_p = numbers(start_p, stop_p, majorintervals_p);
    minors_p.clear();
    const double s = step(start_p, stop_p, majorintervals_p);
    if (s == 0.0 || minorintervals_p < 2)
        return;
    const double minor = s / minorintervals_p;
    // Between the numbers and from the limits to the outer ones.
    const int count = int(majors_p.size());
    for (int k = -1; k < count; ++k) {
        const double major = majors_p.front() + k * s;
        for (int i = 1; i < minorintervals_p; ++i) {
            const double v = major + i * minor;
            if (v >= start_p - s * Slack && v <= stop_p + s * Slack)
                minors_p.push_back(v);
        }
    }
}

QString Chart3DScale::ticLabel(unsigned int idx) const
{
    return idx < majors_p.size() ? text(majors_p[idx]) : QString();
}
