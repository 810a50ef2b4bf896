#include "views/windows/solution_space_renderer.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cstring>
#include <vector>

#include "pipeline/session.h"
#include "views/windows/grid_painter.h"
#include "views/windows/solution_colours.h"

namespace quorvel {

namespace {

// Places in the top strip (client pixels).
constexpr int traceIconLeft = 120;
constexpr int nameIconLeft = 150;
constexpr int braidIconLeft = 180;
constexpr int warningIconLeft = 225;
constexpr int iconsRight = 255;
constexpr int stripIconSize = 30;
constexpr int braidIconWidth = 45;

// Ten pixels: a click picks a point closer than this.
constexpr double pickRadiusPixels = 10.0;

QRect toQRect(const PixelRect &r) { return QRect(r.left, r.top, r.width(), r.height()); }

QString nameOf(const Term *point) {
    // A name is at most three bytes and need not end in a NUL.
    const char *name = pointName(point);
    return QString::fromUtf8(name, static_cast<qsizetype>(strnlen(name, 3)));
}

// Calls f(record, named) for every record of the steps on show, in chain
// order. A step starts at a record numbered 0.
template <typename F>
void forEachShownRecord(const TraceRecord *trace, const ShownSteps &shown, F f) {
    const int last = std::max(shown.to, shown.named);
    int step = -1;
    for (const TraceRecord *record = trace; record; record = record->next) {
        if (record->number == 0 && ++step > last) break;
        if (step < 0) continue;
        if (step >= shown.from && step <= shown.to)
            f(*record, false);
        else if (step == shown.named)
            f(*record, true);
    }
}

// ---- icons -------------------------------------------------------------------

// A raised button face of the given size.
QImage buttonFace(int width) {
    QImage image(width, stripIconSize, QImage::Format_RGB32);
    image.fill(QColor(192, 192, 192));
    QPainter p(&image);
    p.setPen(Qt::white);
    p.drawLine(0, 0, width - 2, 0);
    p.drawLine(0, 0, 0, stripIconSize - 2);
    p.setPen(QColor(128, 128, 128));
    p.drawLine(1, stripIconSize - 2, width - 2, stripIconSize - 2);
    p.drawLine(width - 2, 1, width - 2, stripIconSize - 2);
    p.setPen(Qt::black);
    p.drawLine(0, stripIconSize - 1, width - 1, stripIconSize - 1);
    p.drawLine(width - 1, 0, width - 1, stripIconSize - 1);
    return image;
}

// The points a trace passes through, for the two trace-mode icons.
constexpr QPoint tracePoints[] = {{6, 21}, {10, 14}, {15, 10}, {20, 12}, {24, 18}};

QImage drawIcon(StripIcon icon) {
    const bool braid = icon == StripIcon::BraidOff || icon == StripIcon::BraidOn;
    QImage image = buttonFace(braid ? braidIconWidth : stripIconSize);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    switch (icon) {
    case StripIcon::TraceOff:
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        for (const QPoint &c : tracePoints) p.drawEllipse(c, 2, 2);
        break;
    case StripIcon::TraceOn: {
        p.setPen(QPen(Qt::black, 2));
        QPainterPath path(tracePoints[0]);
        for (size_t i = 1; i < std::size(tracePoints); ++i) path.lineTo(tracePoints[i]);
        p.drawPath(path);
        break;
    }
    case StripIcon::NameOff:
        p.setPen(Qt::black);
        p.setBrush(solutionColour(0));
        p.drawEllipse(QPoint(15, 15), 5, 5);
        break;
    case StripIcon::NameOn: {
        p.setPen(Qt::black);
        p.setBrush(solutionColour(0));
        p.drawEllipse(QPoint(10, 11), 5, 5);
        QFont font;
        font.setPixelSize(12);
        font.setBold(true);
        p.setFont(font);
        p.drawText(QRect(14, 12, 14, 14), Qt::AlignCenter, QStringLiteral("1"));
        break;
    }
    case StripIcon::BraidOff:
    case StripIcon::BraidOn: {
        QFont font;
        font.setPixelSize(14);
        font.setBold(true);
        p.setFont(font);
        p.setPen(icon == StripIcon::BraidOn ? QColor(Qt::black) : QColor(128, 128, 128));
        p.drawText(QRect(0, 0, braidIconWidth - 1, stripIconSize - 1), Qt::AlignCenter,
                   QStringLiteral("Info"));
        break;
    }
    case StripIcon::WarningOff:
        break;
    case StripIcon::WarningOn:
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 0, 0));
        p.drawPolygon(QPolygon({QPoint(12, 4), QPoint(18, 4), QPoint(16, 19), QPoint(14, 19)}));
        p.drawEllipse(QPoint(15, 23), 2, 2);
        break;
    }
    return image;
}

}  // namespace

ShownSteps shownSteps(const Session &session, int16_t traceMode) {
    const int n = session.traces.traceStepCount;
    const int r = session.state.replayIndex;
    const CurveState &s = session.state;
    if (session.traces.tracingState < tracingRunning) return {};
    const bool replaying = session.traces.tracingState != tracingRunning && (s.replayPlaying || s.replayPaused);
    // Trace mode draws every step up to the one shown, so a replay grows
    // the traces as the run did.
    if (traceMode) return replaying ? ShownSteps{0, r - 1, r} : ShownSteps{0, n - 2, n - 1};
    if (session.traces.tracingState == tracingRunning) return {n - 3, n - 2, n - 1};
    if (s.replayAtStart) return {0, -1, 0};
    // The step named is the one the replay stands on, whose parameter the
    // marker shows.
    if (s.replayPlaying) return {r - 2, r - 1, r};
    if (s.replayAtEnd) return {0, -1, n - 1};
    if (s.replayPaused) return {r - 2, r - 1, r};
    return {};
}

const QImage &stripIcon(StripIcon icon) {
    static const QImage icons[] = {
        drawIcon(StripIcon::TraceOff),   drawIcon(StripIcon::TraceOn),
        drawIcon(StripIcon::NameOff),    drawIcon(StripIcon::NameOn),
        drawIcon(StripIcon::BraidOff),   drawIcon(StripIcon::BraidOn),
        drawIcon(StripIcon::WarningOff), drawIcon(StripIcon::WarningOn),
    };
    return icons[static_cast<int>(icon)];
}

StripButton stripButtonAt(int x, int y, const TracingRun &state) {
    if (!(0 < y && y < stripHeight)) return StripButton::None;
    if (traceIconLeft < x && x < nameIconLeft) return StripButton::TraceMode;
    if (nameIconLeft < x && x < braidIconLeft) return StripButton::NameMode;
    if (braidIconLeft < x && x < warningIconLeft && state.traceFinished == 1)
        return StripButton::Braid;
    if (warningIconLeft < x && x < iconsRight && state.relaxedMode == 1) return StripButton::Warning;
    return StripButton::None;
}

std::optional<PickedSolution> pickSolution(const Session &session, const SolutionSpaceLook &look,
                                           int x, int y) {
    const ShownSteps shown = shownSteps(session, look.traceMode);
    const int step = shown.named >= 0 ? shown.named : session.state.replayIndex;
    const int n = countPoints(session.run.tracedFiber(session.state.fiber.get()));
    const Complex m = look.view.toWorld(x, y);
    // Squared distances in world units, so no pixel conversion can overflow.
    double best = pickRadiusPixels * pickRadiusPixels / (look.view.scale * look.view.scale);
    std::optional<PickedSolution> picked;
    int seen = 0;
    forEachShownRecord(session.traces.solutionTrace, ShownSteps{0, -1, step},
                       [&](const TraceRecord &record, bool) {
                           if (seen++ >= n) return;
                           const double dx = record.value.re - m.re;
                           const double dy = record.value.im - m.im;
                           const double d2 = dx * dx + dy * dy;
                           if (d2 < best) {
                               best = d2;
                               picked = PickedSolution{record.value, record.number};
                           }
                       });
    return picked;
}

void SolutionSpaceRenderer::paintPlane(QPainter &painter) const {
    painter.save();
    painter.fillRect(toQRect(look_.view.planeRect), Qt::white);
    paintGrid(painter);
    paintSolutions(painter);
    painter.restore();
}

void SolutionSpaceRenderer::paintGrid(QPainter &painter) const {
    // Vertical lines run one pixel longer at each end than in the
    // Parameter Space window.
    paintGridLines(painter, look_.view, QPen(gridColour(), 1), QPen(axisColour(), 1), 1);
}

std::vector<QRect> spreadLabels(std::vector<QRect> labels) {
    for (size_t k = 1; k < labels.size(); ++k) {
        // Down past every earlier label it meets, until it meets none.
        for (bool moved = true; moved;) {
            moved = false;
            for (size_t j = 0; j < k; ++j) {
                if (!labels[k].intersects(labels[j])) continue;
                labels[k].moveTop(labels[j].bottom() + 1);
                moved = true;
            }
        }
    }
    return labels;
}

void SolutionSpaceRenderer::paintSolutions(QPainter &painter) const {
    const PlaneView &v = look_.view;
    const int r = look_.markRadius;
    PointList fiber = session_.run.tracedFiber(session_.state.fiber.get());
    const QPen outline(gridColour(), 1);
    painter.setBackground(Qt::white);
    painter.setBackgroundMode(Qt::TransparentMode);
    struct Named {
        QPoint at;
        int number;
        QString name;
    };
    std::vector<Named> named;
    const auto mark = [&](QPoint p, int number) {
        painter.setPen(outline);
        painter.setBrush(solutionColour(number));
        // A rounded rectangle 2r + 1 pixels across whose corners are 2r x 2r
        // ellipses is a circle; Qt rasterises it evenly as one.
        painter.drawEllipse(QRect(p.x() - r, p.y() - r, 2 * r, 2 * r));
    };
    forEachShownRecord(session_.traces.solutionTrace, shownSteps(session_, look_.traceMode),
                       [&](const TraceRecord &record, bool withName) {
                           if (!v.visible(record.value)) return;
                           const PixelPoint p = v.toScreen(record.value);
                           mark(QPoint(p.x, p.y), record.number);
                           if (!withName || look_.nameMode != 1) return;
                           if (const Term *point = findByNumber(fiber, record.number))
                               named.push_back({QPoint(p.x, p.y), record.number, nameOf(point)});
                       });
    if (named.empty()) return;
    // Each name sits below and to the right of its mark, clear of it, and
    // names that would overlap move apart; the marks are drawn again on top,
    // so no name hides one.
    const QFontMetrics metrics = painter.fontMetrics();
    std::vector<QRect> boxes;
    for (const Named &n : named) {
        const QRect text = metrics.boundingRect(n.name);
        boxes.emplace_back(n.at.x() + r + 1, n.at.y() + r + 1, text.width() + 2, metrics.height());
    }
    boxes = spreadLabels(std::move(boxes));
    painter.setPen(Qt::black);
    painter.setBackgroundMode(Qt::OpaqueMode);
    for (size_t k = 0; k < named.size(); ++k)
        painter.drawText(boxes[k], Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip,
                         named[k].name);
    painter.setBackgroundMode(Qt::TransparentMode);
    for (const Named &n : named) mark(n.at, n.number);
}

void SolutionSpaceRenderer::paintStrips(QPainter &painter) const {
    const PlaneView &v = look_.view;
    const TracingRun &ss = session_.run;
    painter.save();
    painter.drawImage(traceIconLeft, 0, stripIcon(look_.traceMode ? StripIcon::TraceOn : StripIcon::TraceOff));
    painter.drawImage(nameIconLeft, 0, stripIcon(look_.nameMode ? StripIcon::NameOn : StripIcon::NameOff));
    painter.drawImage(braidIconLeft, 0,
                      stripIcon(ss.traceFinished ? StripIcon::BraidOn : StripIcon::BraidOff));
    // The warning button exists only while there is something to warn of.
    if (ss.relaxedMode) painter.drawImage(warningIconLeft, 0, stripIcon(StripIcon::WarningOn));

    const QRect topRight = toQRect(v.topRightLabelRect());
    const QRect bottomLeft = toQRect(v.bottomLeftLabelRect());
    if (topRight.left() > iconsRight)
        painter.fillRect(QRect(iconsRight, 0, topRight.left() - iconsRight, stripHeight), Qt::white);
    if (v.planeRect.right > bottomLeft.right() + 1)
        painter.fillRect(QRect(bottomLeft.right() + 1, v.planeRect.bottom,
                               v.planeRect.right - bottomLeft.right() - 1, stripHeight),
                         Qt::white);

    painter.setPen(Qt::black);
    painter.fillRect(topRight, Qt::white);
    painter.drawText(topRight, Qt::AlignRight | Qt::AlignBottom | Qt::TextSingleLine,
                     QString::fromStdString(v.topRightText() + " "));
    painter.fillRect(bottomLeft, Qt::white);
    painter.drawText(bottomLeft, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                     QString::fromStdString(v.bottomLeftText() + " "));
    painter.restore();
}

}  // namespace quorvel
