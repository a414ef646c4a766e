#pragma once
// The numbers along an axis of a 3-D chart: round values (1, 2, 2.5 or 5
// times a power of ten apart) inside the axis's limits, no more intervals
// between them than the axis is given, so that the chart can ask for as few as the
// axis has room for on the screen. The surface library calls it for the
// positions of the tic marks and the text of each number.
#include <qwt3d_scale.h>

#include <vector>

class Chart3DScale : public Qwt3D::Scale
{
public:
    Chart3DScale() = default;

    // The distance of round numbers that puts at most intervals intervals
    // between the first and the last number inside lo..hi; 0 for a range
    // without a finite span.
    static double step(double lo, double hi, int intervals);
    // The round numbers themselves, lowest first; lo alone for a range
    // without a span.
    static std::vector<double> numbers(double lo, double hi, int intervals);
    // A number as the axis writes it: no more digits than it needs.
    static QString text(double value);

protected:
    Qwt3D::Scale *clone() const override { return new Chart3DScale(*this); }
    void calculate() override;
    QString ticLabel(unsigned int idx) const override;
};
