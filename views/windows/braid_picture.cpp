#include "views/windows/braid_picture.h"

#include <QPainter>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "tracing/braid.h"
#include "views/windows/solution_colours.h"

namespace quorvel {

namespace {

// Layout of the picture inside the white area.
constexpr int labelLeft = 35;
constexpr int labelTop = 210;
constexpr int strandLeft = 40;
constexpr int strandTop = 230;
constexpr int strandWidth = 430;   // from the first column to the last
constexpr int strandHeight = 340;  // from the top of the first row to the bottom of the last

// The part of a crossing strand left out where it passes under the other.
constexpr double gapStart = 0.3;
constexpr double gapEnd = 0.7;

// Column positions: equal integer steps of 430 / (n - 1) pixels. More
// points than pixels would give a step of 0, and then the columns are
// spread by exact division instead so they still cover the width.
class Columns {
public:
    explicit Columns(int n) : n_(n), step_(n > 1 ? strandWidth / (n - 1) : 0) {}
    int x(int k) const {
        if (n_ <= 1) return strandLeft;
        if (step_ > 0) return strandLeft + k * step_;
        return strandLeft + static_cast<int>(static_cast<long long>(k) * strandWidth / (n_ - 1));
    }

private:
    int n_;
    int step_;
};

// Row boundaries, the same way: 340 / m pixels per generator while that is
// at least one pixel.
class Rows {
public:
    explicit Rows(int m) : m_(m), step_(m > 0 ? strandHeight / m : 0) {}
    int y(int i) const {
        if (step_ > 0) return strandTop + i * step_;
        return strandTop + static_cast<int>(static_cast<long long>(i) * strandHeight / m_);
    }

private:
    int m_;
    int step_;
};

// A crossing strand from (x0, y0) to (x1, y1), whole or with the gap.
void drawCrossing(QPainter &painter, int x0, int y0, int x1, int y1, bool whole) {
    if (whole) {
        painter.drawLine(x0, y0, x1, y1);
        return;
    }
    const int dx = x1 - x0;
    const int dy = y1 - y0;
    painter.drawLine(x0, y0, x0 + static_cast<int>(std::floor(gapStart * dx)),
                     y0 + static_cast<int>(std::floor(gapStart * dy)));
    painter.drawLine(x0 + static_cast<int>(std::floor(gapEnd * dx)),
                     y0 + static_cast<int>(std::floor(gapEnd * dy)), x1, y1);
}

}  // namespace

BraidPicture BraidPicture::of(PointList fiber, const BraidWord &word) {
    BraidPicture picture;
    const int n = countPoints(fiber);
    picture.names.reserve(static_cast<size_t>(n));
    for (int k = 0; k < n; ++k) {
        const Term *point = findByNumber(fiber, k);
        // A name is at most three bytes and need not end in a NUL.
        picture.names.push_back(point ? QString::fromUtf8(pointName(point),
                                                          static_cast<qsizetype>(strnlen(pointName(point), 3)))
                                      : QString());
    }
    picture.word = word.generators();
    return picture;
}

void BraidPicture::paint(QPainter &painter) const {
    painter.save();
    painter.fillRect(area, Qt::white);
    const int n = static_cast<int>(names.size());
    const int m = static_cast<int>(word.size());
    if (m == 0 || n == 0) {
        painter.restore();
        return;
    }
    const Columns columns(n);
    const Rows rows(m);

    // Names: black on opaque white, top-left corner at the given point.
    painter.setPen(Qt::black);
    painter.setBackground(Qt::white);
    painter.setBackgroundMode(Qt::OpaqueMode);
    for (int k = 0; k < n; ++k) {
        const int x = columns.x(k) - (strandLeft - labelLeft);
        painter.drawText(QRect(x, labelTop, 1000, 100),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip,
                         names[static_cast<size_t>(n - 1 - k)]);
    }
    painter.setBackgroundMode(Qt::TransparentMode);

    // The colour each column carries now; crossings exchange them.
    std::vector<int> colour(static_cast<size_t>(n));
    for (int k = 0; k < n; ++k) colour[static_cast<size_t>(k)] = n - 1 - k;

    for (int i = 0; i < m; ++i) {
        const int generator = word[static_cast<size_t>(i)];
        const int c = std::abs(generator);
        const bool crosses = c >= 1 && c <= n - 1;
        const int y0 = rows.y(i);
        const int y1 = rows.y(i + 1);
        for (int k = 0; k < n; ++k) {
            painter.setPen(strandPen(colour[static_cast<size_t>(k)]));
            const int x = columns.x(k);
            if (crosses && k == c - 1)
                drawCrossing(painter, x, y0, columns.x(k + 1), y1, generator > 0);
            else if (crosses && k == c)
                drawCrossing(painter, x, y0, columns.x(k - 1), y1, generator < 0);
            else
                painter.drawLine(x, y0, x, y1);
        }
        if (crosses)
            std::swap(colour[static_cast<size_t>(c - 1)], colour[static_cast<size_t>(c)]);
    }
    painter.restore();
}

}  // namespace quorvel
