#include "views/windows/parameter_space_renderer.h"

#include <QPainter>
#include <QString>
#include <cstdio>
#include <vector>

#include "engine/points.h"
#include "pipeline/curve_state.h"
#include "views/windows/grid_painter.h"
#include "views/windows/parameter_space_icons.h"

namespace quorvel {

namespace {

constexpr int endDotRadius = 2;
constexpr ReplayIcon replayOrder[5] = {ReplayIcon::Save, ReplayIcon::GoToStart, ReplayIcon::Play,
                                       ReplayIcon::Pause, ReplayIcon::GoToEnd};

QPoint pixel(const PlaneView &view, Complex z) {
    const PixelPoint p = view.toScreen(z);
    return {p.x, p.y};
}

QRect qrect(const PixelRect &r) { return {r.left, r.top, r.width(), r.height()}; }

void clippedLine(QPainter &painter, const PlaneView &view, Complex from, Complex to, bool endDot) {
    const ClippedLine c = view.clipLine(from, to);
    if (!c.draw) return;
    const QPoint a = pixel(view, c.from);
    const QPoint b = pixel(view, c.to);
    painter.drawLine(a, b);
    if (endDot && c.endVisible)
        painter.drawEllipse(QRect(b.x() - endDotRadius, b.y() - endDotRadius, 2 * endDotRadius,
                                  2 * endDotRadius));
}

QString formatted(const char *pattern, double a, double b) {
    char buf[128];
    std::snprintf(buf, sizeof buf, pattern, a, b);
    return QString::fromLatin1(buf);
}

bool replayFlag(const CurveState &s, int column) {
    switch (column) {
    case 1:
        return s.replayAtStart != 0;
    case 2:
        return s.replayPlaying != 0;
    case 3:
        return s.replayPaused != 0;
    case 4:
        return s.replayAtEnd != 0;
    default:
        return false;
    }
}

}  // namespace

ParameterSpaceRenderer::ParameterSpaceRenderer()
    : gridPen_(gridColour()),
      axisPen_(axisColour()),
      locusPen_(locusPenColour),
      locusBrush_(locusBrushColour),
      markerPen_(markerPenColour),
      markerBrush_(markerBrushColour),
      infinity_(infinityPicture()) {
    for (int i = 0; i < 5; ++i) {
        replayOff_[i] = replayPicture(replayOrder[i], false);
        replayOn_[i] = replayPicture(replayOrder[i], true);
    }
}

void ParameterSpaceRenderer::paintMark(QPainter &painter, const PlaneView &view, Complex point) {
    if (!view.visible(point)) return;
    const QPoint p = pixel(view, point);
    painter.drawRoundedRect(QRect(p.x() - markRadius, p.y() - markRadius, 2 * markRadius, 2 * markRadius),
                            markRadius, markRadius);
}

void ParameterSpaceRenderer::paintSegment(QPainter &painter, const PlaneView &view, const PathSegment *s) {
    if (!s->isArc) {
        clippedLine(painter, view, segmentStart(s), segmentEnd(s), true);
        return;
    }
    for (const Chord &c : PlaneView::arcChords(Complex(s->centreRe, s->centreIm), s->radius, s->p0, s->p2))
        clippedLine(painter, view, c.from, c.to, c.last);
}

void ParameterSpaceRenderer::paintPlane(QPainter &painter, const PlaneView &view, const ParameterSpaceState &ps,
                                        const TraceRecord *followed, const Term *degenerate) const {
    const PixelRect &r = view.planeRect;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(qrect(r), Qt::white);

    paintGridLines(painter, view, gridPen_, axisPen_, 2);

    if (ps.branchLociShown) {
        painter.setPen(locusPen_);
        painter.setBrush(locusBrush_);
        for (const Term *t = ps.branchLociCopy.get(); t != nullptr; t = t->next) paintMark(painter, view, t->coef);
        std::vector<Term *> degenerateRecords;
        recordsByPosition(const_cast<Term *>(degenerate), degenerateRecords);
        for (const Term *t = ps.branchLociCopy.get(); t != nullptr; t = t->next) {
            if (!view.visible(t->coef)) continue;
            const QPoint p = pixel(view, t->coef);
            for (const Term *d : degenerateRecords) {
                if (d->coef.re != t->coef.re || d->coef.im != t->coef.im) continue;
                painter.save();
                painter.setPen(QPen(degenerateColour, 2));
                painter.setBrush(Qt::NoBrush);
                painter.drawEllipse(p, markRadius + 3, markRadius + 3);
                painter.restore();
                break;
            }
            if (pointMultiplicity(t) > 1) {
                painter.save();
                painter.setPen(QColor(0, 120, 0));
                painter.drawText(p + QPoint(markRadius + 4, -markRadius - 2), QString::number(pointMultiplicity(t)));
                painter.restore();
            }
        }
    }

    // Paths in black with white-filled end dots.
    painter.setPen(QPen(Qt::black));
    painter.setBrush(Qt::white);
    if (ps.pathDisplay == pathDisplayAuto) {
        for (const PathSegment *s = ps.autoPaths; s != nullptr; s = s->next) paintSegment(painter, view, s);
    } else if (ps.pathDisplay == pathDisplaySelected) {
        for (const PathSegment *s = ps.selectedPath; s != nullptr; s = s->next) {
            paintSegment(painter, view, s);
            if (s->role == roleLast) break;
        }
    }

    if (followed && followed->next && (ps.pathDisplay == pathDisplayNone || ps.viewMode == modeArt)) {
        painter.setPen(QPen(followedPathColour, 2));
        for (const TraceRecord *r = followed; r->next; r = r->next)
            clippedLine(painter, view, r->value, r->next->value, false);
    }

    if (ps.markerShown) {
        painter.setPen(markerPen_);
        painter.setBrush(markerBrush_);
        paintMark(painter, view, ps.markerPoint);
    }
    painter.restore();
}

QPoint ParameterSpaceRenderer::replayIconPosition(const PlaneView &view, int column) {
    return {view.planeRect.right - labelWidth + iconSize * column, view.planeRect.bottom};
}

PixelRect ParameterSpaceRenderer::infinityIconRect(const PlaneView &view) {
    const PixelRect &r = view.planeRect;
    return {r.left + 120, r.top - stripHeight, r.left + 150, r.top};
}

PixelRect ParameterSpaceRenderer::pointedLocusRect() { return {pointedLocusLeft, 0, pointedLocusRight, stripHeight}; }

void ParameterSpaceRenderer::paintStrips(QPainter &painter, const PlaneView &view, const CurveState &state,
                                         const PointedLocus &pointed) const {
    const PixelRect &r = view.planeRect;
    const PixelRect topRight = view.topRightLabelRect();
    const PixelRect bottomLeft = view.bottomLeftLabelRect();
    painter.save();
    // The top strip right of the tool buttons and the infinity icon, and the
    // bottom strip between its read-out and the icons.
    painter.fillRect(QRect(labelWidth, r.top - stripHeight, topRight.left - labelWidth + stripHeight, stripHeight),
                     Qt::white);
    painter.fillRect(QRect(bottomLeft.right, r.bottom, r.right - bottomLeft.right - labelWidth, stripHeight),
                     Qt::white);

    for (int column = 0; column < 5; ++column)
        painter.drawImage(replayIconPosition(view, column),
                          replayFlag(state, column) ? replayOn_[column] : replayOff_[column]);
    const PixelRect inf = infinityIconRect(view);
    painter.drawImage(QPoint(inf.left, inf.top), infinity_);

    painter.setPen(Qt::black);
    painter.fillRect(qrect(topRight), Qt::white);
    painter.drawText(qrect(topRight), Qt::AlignRight | Qt::AlignBottom | Qt::TextSingleLine,
                     QString::fromStdString(view.topRightText()));
    painter.fillRect(qrect(bottomLeft), Qt::white);
    painter.drawText(qrect(bottomLeft), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                     QString::fromStdString(view.bottomLeftText()));
    if (pointed.shown)
        painter.drawText(qrect(pointedLocusRect()), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                         formatted("(%+.4f%+.4fi)", pointed.value.re, pointed.value.im));
    painter.restore();
}

}  // namespace quorvel
