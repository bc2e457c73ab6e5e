// SPDX-License-Identifier: GPL-3.0-or-later
// What drawing a metafile costs: work is counted before it is done, so a file that would take
// minutes is refused at once. The figures follow Qt's raster engine, measured: 500 full-height
// bars filled as one figure take seconds, as do fifty slanted strokes across the picture when
// smoothed.
#include <algorithm>

#include "pictures/emfplayer.h"

namespace orlenda::emf {

namespace {

// The smoothing converter's bands: cells a band holds before the render pool grows (8 KiB
// of 24-byte cells, up to 1 MiB), and rows of a band when cells are few.
constexpr double kBandCells = 330, kMostBandCells = 43690, kBandRows = 42;
// Walking one row of an edge: a vertical edge takes a short path, others several times longer.
constexpr double kVerticalStep = 4, kSlantedStep = 40;

struct Edge {
    int first, last;  // rows, within the picture
    double count;     // edges of an outline or of dashes sharing these rows
    bool vertical;
};

}  // namespace

ScanLoad MeasureScan(const QPainterPath& path, const QTransform& t, QSize picture, qreal reach,
                     qreal dashPeriod) {
    ScanLoad load;
    const int n = path.elementCount();
    if (n == 0) return load;
    const QRectF box = t.mapRect(path.controlPointRect()).adjusted(-reach, -reach, reach, reach);
    const QRectF seen = box & QRectF(QPointF(0, 0), QSizeF(picture));
    if (!(seen.width() > 0 && seen.height() > 0)) return load;
    const int top = int(std::floor(seen.top()));
    const int rows = int(std::ceil(seen.bottom())) - top;
    const double diagonal = std::hypot(picture.width(), picture.height());
    // Edges and cells that start and end on each row, then summed row by row.
    std::vector<double> edgeChange(size_t(rows) + 1, 0.0), cellChange(size_t(rows) + 1, 0.0);
    std::vector<Edge> edges;
    edges.reserve(size_t(n));
    auto edge = [&](QPointF a, QPointF b) {
        const double along = std::min(std::hypot(b.x() - a.x(), b.y() - a.y()), diagonal);
        const double rise = std::min(std::abs(b.y() - a.y()), diagonal);
        const double run = std::min(std::abs(b.x() - a.x()), diagonal);
        if (!std::isfinite(along) || !std::isfinite(rise) || !std::isfinite(run)) return;
        load.length += along;
        const double y0 = std::max(std::min(a.y(), b.y()) - reach, seen.top());
        const double y1 = std::min(std::max(a.y(), b.y()) + reach, seen.bottom());
        if (y0 > y1) return;
        // An outline has two sides; dashes of a flat line lie on the same rows, those of a
        // steep one on rows of their own.
        double count = 1;
        if (reach > 0) {
            const double dashes = dashPeriod > 0 ? 1 + along / dashPeriod : 1;
            count = 2 * (rise + 2 * reach * dashes) / (rise + 2 * reach);
        }
        const int r0 = std::clamp(int(y0) - top, 0, rows - 1);
        const int r1 = std::clamp(int(y1) - top, r0, rows - 1);
        const double span = r1 - r0 + 1;
        edgeChange[size_t(r0)] += count;
        edgeChange[size_t(r1) + 1] -= count;
        // A cell for each row, and one for each column a slanted edge crosses.
        const double cells = count * (span + (rise > 0 ? run : 0)) / span;
        cellChange[size_t(r0)] += cells;
        cellChange[size_t(r1) + 1] -= cells;
        edges.push_back({r0, r1, count, run == 0 && reach == 0});
    };
    QPointF start, previous;
    for (int i = 0; i < n; ++i) {
        const QPainterPath::Element& e = path.elementAt(i);
        const QPointF p = t.map(QPointF(e.x, e.y));
        if (e.isMoveTo()) {
            if (i > 0 && reach == 0) edge(previous, start);  // a fill closes every figure
            start = p;
        } else {
            edge(previous, p);
        }
        previous = p;
    }
    if (reach == 0) edge(previous, start);

    std::vector<double> cellsOnRow(size_t(rows), 0.0);
    double active = 0, cells = 0, mostCells = 0;
    for (int r = 0; r < rows; ++r) {
        active += edgeChange[size_t(r)];
        cells += cellChange[size_t(r)];
        cellsOnRow[size_t(r)] = cells;
        mostCells = std::max(mostCells, cells);
        load.edgeRows += active;
        load.crowd += active * active;
    }
    // Bands reaching each row: a row whose cells overflow the pool has it doubled, and the
    // figure converted again.
    const double capacity = std::clamp(mostCells, kBandCells, kMostBandCells);
    const double regrowths = std::ceil(std::log2(capacity / kBandCells));
    std::vector<double> bandsBefore(size_t(rows) + 1, 0.0);
    for (int r = 0; r < rows; ++r)
        bandsBefore[size_t(r) + 1] =
            bandsBefore[size_t(r)] + std::max(1 / kBandRows, cellsOnRow[size_t(r)] / capacity);
    const double bands = bandsBefore[size_t(rows)];
    // A band that overflows is halved and converted again, about doubling the passes.
    double steps = 0;
    for (const Edge& e : edges) {
        const double span = e.last - e.first + 1;
        const double reached = 1 + bandsBefore[size_t(e.last) + 1] - bandsBefore[size_t(e.first)];
        steps += e.count * span * 2 * reached * (e.vertical ? kVerticalStep : kSlantedStep);
    }
    load.smoothing = (steps + 2 * bands * double(edges.size()) * kVerticalStep) * (1 + regrowths);
    load.rows = rows;
    const double area = seen.width() * seen.height();
    load.pixels = reach > 0 ? std::min(area, load.length * (2 * reach + 1)) : area;
    return load;
}

void Player::charge(double units) {
    work_ += units;
    if (!(work_ <= double(limits_.work)))
        refuse(EmfResult::TooComplex, "the metafile needs too much work to draw");
    if (clock_.elapsed() > limits_.milliseconds)
        refuse(EmfResult::TooComplex, "the metafile takes too long to draw");
}

bool Player::chargeDrawing(const QPainterPath& path, const QTransform& t, const QPen* pen,
                           bool smooth, ScanLoad* measured) {
    qreal reach = 0, period = 0, width = 0;
    if (pen) {
        width = pen->widthF() * std::sqrt(std::abs(t.determinant()));
        reach = std::max<qreal>(width, 1) / 2;
        if (pen->style() == Qt::CustomDashLine) {
            for (qreal v : pen->dashPattern()) period += std::max<qreal>(v, 0);
            period *= std::max<qreal>(width, 1);
        }
    }
    const ScanLoad load = MeasureScan(path, t, QSize(width_, height_), reach, period);
    if (measured) *measured = load;
    const double fixed =
        kFigureWork + double(path.elementCount()) * kPointWork +
        load.rows * clipCrowd_ * kClipSpanWork +
        load.pixels * (pen || s_.brush.kind == BrushSpec::Solid ? kPixelWork : kTexturePixelWork);
    // Lines of a pixel are drawn one by one, wider ones filled as outlines.
    if (pen && width <= 1) {
        charge(fixed + load.length * kLineWork);
        return smooth;
    }
    const double sharp = load.edgeRows * kEdgeRowWork + load.crowd * kCrowdWork;
    const double smoothing = load.smoothing * kSmoothingWork;
    smooth = smooth && (smoothing <= kWorthSmoothing || smoothing <= sharp);
    charge(fixed + (smooth ? smoothing : sharp));
    return smooth;
}

void Player::chargeArea(const QRectF& pixels, double perPixel) {
    const QRectF seen = pixels.normalized() & QRectF(0, 0, width_, height_);
    if (!(seen.width() > 0 && seen.height() > 0)) return charge(kPointWork);
    charge(kPointWork + seen.width() * seen.height() * perPixel +
           std::ceil(seen.height()) * clipCrowd_ * kClipSpanWork);
}

}  // namespace orlenda::emf
