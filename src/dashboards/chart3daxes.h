#pragma once
// Where a 3-D chart writes the numbers of its three axes. The box of the
// chart has four edges along each axis; the numbers of an axis go along one
// edge of the box's outline as drawn, on its outer side. The three edges
// are chosen so that no two of them meet at a corner: numbers of two axes
// that start or end at one corner would be written over each other there.
// Plain geometry on the box's corners as drawn, no drawing of its own.
#include <QPointF>
#include <QSizeF>

#include <array>

class Chart3DAxes
{
public:
    // Corner i of the box: bit 0 set at the far end of X, bit 1 of Y,
    // bit 2 of Z.
    using Corners = std::array<QPointF, 8>;

    struct Edge
    {
        // The corners it joins, from the near to the far end of its axis;
        // -1 when the axis has no edge on the outline (seen end on).
        int from = -1;
        int to = -1;
        // The unit direction on the screen that points away from the box
        // at this edge.
        QPointF outward;
        bool valid() const { return from >= 0; }
    };

    // For the corners as drawn (screen coordinates, y down), the edge of X
    // (0), Y (1) and Z (2) that carries the numbers: edges of the outline,
    // no two meeting at a corner where the outline allows it, X on the
    // lower side of the box.
    static std::array<Edge, 3> choose(const Corners &corners);

    // How the text of a number stands beside its point so that it lies on
    // the outward side: a Qwt3D::ANCHOR.
    static int anchorFor(const QPointF &outward);

    // The most intervals between numbers of the given size (with their
    // spacing) that fit along an edge drawn as the vector along, side by
    // side or one above the other; at least 1, at most most.
    static int intervalsFor(const QPointF &along, const QSizeF &number, int most);
};
