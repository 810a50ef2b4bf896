#include "views/windows/picture_file.h"

#include <QBuffer>
#include <QFile>
#include <QFileDialog>
#include <QFont>
#include <QFontInfo>
#include <QRegularExpression>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>
#include <QWidget>

#include "views/headless/plane_view.h"
#include "engine/error.h"
#include "pipeline/document.h"
#include "pipeline/file_writer.h"

namespace quorvel {

namespace {

bool &pictureUnderWay() {
    static bool flag = false;
    return flag;
}

// Marks a picture being drawn for as long as it lives.
class PictureScope {
public:
    PictureScope() { pictureUnderWay() = true; }
    ~PictureScope() { pictureUnderWay() = false; }
};

}  // namespace

bool drawingPicture() { return pictureUnderWay(); }

void paintPictureReadOuts(QPainter &painter, const PlaneView &view) {
    const PixelRect &r = view.planeRect;
    const QRect inside(r.left + 3, r.top + 2, r.width() - 6, r.height() - 4);
    painter.save();
    painter.setPen(Qt::black);
    const int flags = Qt::TextSingleLine | Qt::TextDontClip;
    painter.drawText(inside, Qt::AlignRight | Qt::AlignTop | flags, QString::fromStdString(view.topRightText()));
    painter.drawText(inside, Qt::AlignLeft | Qt::AlignBottom | flags, QString::fromStdString(view.bottomLeftText()));
    painter.restore();
}

QString choosePictureFile(QWidget *parent, const QString &initialName) {
    QString path = QFileDialog::getSaveFileName(parent, QString::fromUtf8(savePictureText), initialName,
                                                QStringLiteral("PNG image (*.png);;SVG drawing (*.svg)"));
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".png");
    return path;
}

namespace {

// The drawing as the bytes of an SVG file.
QByteArray svgBytes(QWidget *widget, const QRect &part, QWidget::RenderFlags flags) {
    const QSize size = part.size();
    QBuffer drawing;
    drawing.open(QIODevice::WriteOnly);
    {
        QSvgGenerator svg;
        svg.setOutputDevice(&drawing);
        // At 96 dots per inch a browser shows the drawing at the window's size.
        svg.setResolution(96);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle(widget->window()->windowTitle());
        widget->render(&svg, QPoint(0, 0), QRegion(part), flags);
    }
    // A family asked for may exist only on another machine (or be a
    // generic name): the file names the one found for it and drawn with.
    const QString svgText = QString::fromUtf8(drawing.data());
    static const QRegularExpression family(QStringLiteral("font-family=\"([^\"]*)\""));
    QString named;
    qsizetype done = 0;
    for (auto m = family.globalMatch(svgText); m.hasNext();) {
        const QRegularExpressionMatch match = m.next();
        const QString asked = match.captured(1);
        const QString found = QFontInfo(QFont(asked)).family();
        named += svgText.mid(done, match.capturedStart(1) - done) + found;
        done = match.capturedEnd(1);
    }
    named += svgText.mid(done);
    return named.toUtf8();
}

// The drawing as the bytes of a PNG file; empty when it cannot be encoded.
QByteArray pngBytes(QWidget *widget, const QRect &part, QWidget::RenderFlags flags) {
    QImage image(part.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    widget->render(&image, QPoint(0, 0), QRegion(part), flags);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) return {};
    return bytes;
}

}  // namespace

bool writeWidgetPicture(QWidget *widget, const QString &path, const QRect &area, const FileWrite &how) {
    if (!widget) return false;
    const std::string name = QFile::encodeName(path).toStdString();
    const QRect part = area.isEmpty() ? widget->rect() : area;
    QByteArray bytes;
    {
        PictureScope scope;
        // The drawing alone: the children (buttons, boxes) stay out of it.
        const QWidget::RenderFlags flags(QWidget::DrawWindowBackground);
        const bool svg = QFileInfo(path).suffix().compare(QStringLiteral("svg"), Qt::CaseInsensitive) == 0;
        bytes = svg ? svgBytes(widget, part, flags) : pngBytes(widget, part, flags);
    }
    std::string reason = "the picture could not be drawn";
    // The whole picture is drawn before the file is touched, and it
    // replaces the file only once it is on the disk.
    if (!bytes.isEmpty() && writeWholeFile(name, bytes.toStdString(), how, reason)) return true;
    showError(fileMessage(cannotCreateMessage, name, reason), fileRemedyFor(reason));
    return false;
}

}  // namespace quorvel
