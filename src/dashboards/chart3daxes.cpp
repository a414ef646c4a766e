#include "chart3daxes.h"

#include <qwt3d_types.h>

#include <QLineF>
#include <algorithm>
#include <cmath>
#include <vector>

namespace {
double cross(const QPointF &a, const QPointF &b)
{
    return a.x() * b.y() - a.y() * b.x();
}

double length(const QPointF &v)
{
    return std::hypot(v.x(), v.y());
}

// Whether every corner lies on one side of the line through the edge: the
// edge is then part of the box's outline.
bool onOutline(const Chart3DAxes::Corners &corners, int from, int to)
{
    const QPointF p = corners[size_t(from)];
    const QPointF d = corners[size_t(to)] - p;
    const double len = length(d);
    if (!(len > 0.5))
        return false;
    const double tolerance = 1e-6 * len * len + 1e-9;
    bool left = false;
    bool right = false;
    for (const QPointF &c : corners) {
        const double side = cross(d, c - p);
        left = left || side > tolerance;
        right = right || side < -tolerance;
    }
    return !(left && right);
}

bool meet(const Chart3DAxes::Edge &a, const Chart3DAxes::Edge &b)
{
    if (!a.valid() || !b.valid())
        return false;
    return a.from == b.from || a.from == b.to || a.to == b.from || a.to == b.to;
}
} // namespace

std::array<Chart3DAxes::Edge, 3> Chart3DAxes::choose(const Corners &corners)
{
    QPointF centre;
    for (const QPointF &c : corners)
        centre += c;
    centre /= 8.0;

    std::array<std::vector<Edge>, 3> candidates;
    for (int axis = 0; axis < 3; ++axis) {
        const int bit = 1 << axis;
        for (int from = 0; from < 8; ++from) {
            if (from & bit)
                continue;
            const int to = from | bit;
            if (!onOutline(corners, from, to))
                continue;
            Edge e;
            e.from = from;
            e.to = to;
            const QPointF p = corners[size_t(from)];
            const QPointF d = corners[size_t(to)] - p;
            QPointF normal(d.y(), -d.x());
            normal /= length(normal);
            const QPointF middle = p + d / 2.0;
            if (QPointF::dotProduct(normal, middle - centre) < 0)
                normal = -normal;
            e.outward = normal;
            candidates[size_t(axis)].push_back(e);
        }
        // An axis seen end on has no edge: it is left without numbers.
        if (candidates[size_t(axis)].empty())
            candidates[size_t(axis)].push_back(Edge());
    }

    auto middleOf = [&](const Edge &e) {
        return e.valid() ? (corners[size_t(e.from)] + corners[size_t(e.to)]) / 2.0 : centre;
    };
    std::array<Edge, 3> best;
    bool found = false;
    int bestMeetings = 0;
    double bestLow = 0.0;
    double bestLeft = 0.0;
    for (const Edge &x : candidates[0]) {
        for (const Edge &y : candidates[1]) {
            for (const Edge &z : candidates[2]) {
                const int meetings = int(meet(x, y)) + int(meet(y, z)) + int(meet(x, z));
                // X below the box, Z on its left where both are possible.
                const double low = middleOf(x).y();
                const double left = -middleOf(z).x();
                const bool better = !found || meetings < bestMeetings
                    || (meetings == bestMeetings && (low > bestLow + 1e-6
                                                     || (std::fabs(low - bestLow) <= 1e-6 && left > bestLeft)));
                if (better) {
                    best = {x, y, z};
                    bestMeetings = meetings;
                    bestLow = low;
                    bestLeft = left;
                    found = true;
                }
            }
        }
    }
    return best;
}

int Chart3DAxes::anchorFor(const QPointF &outward)
{
    // Screen y grows downwards; the angle is taken with y up.
    const double degrees = std::atan2(-outward.y(), outward.x()) * 180.0 / M_PI;
    const int sector = int(std::lround((degrees < 0 ? degrees + 360.0 : degrees) / 45.0)) % 8;
    // The text lies on the far side of its point: pointing right, the
    // point is the text's left end.
    static const int anchors[8] = {Qwt3D::CenterLeft, Qwt3D::BottomLeft, Qwt3D::BottomCenter, Qwt3D::BottomRight,
                                   Qwt3D::CenterRight, Qwt3D::TopRight, Qwt3D::TopCenter, Qwt3D::TopLeft};
    return anchors[sector];
}

int Chart3DAxes::intervalsFor(const QPointF &along, const QSizeF &number, int most)
{
    most = std::max(1, most);
    double fit = 0.0;
    if (number.width() > 0)
        fit = std::max(fit, std::fabs(along.x()) / number.width());
    if (number.height() > 0)
        fit = std::max(fit, std::fabs(along.y()) / number.height());
    if (!std::isfinite(fit))
        return most;
    return std::clamp(int(std::floor(fit)), 1, most);
}
