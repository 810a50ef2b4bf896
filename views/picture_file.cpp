#include "views/picture_file.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QSvgGenerator>
#include <QWidget>

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

QString choosePictureFile(QWidget *parent, const QString &initialName) {
    QString path = QFileDialog::getSaveFileName(parent, QString::fromUtf8(savePictureText), initialName,
                                                QStringLiteral("PNG image (*.png);;SVG drawing (*.svg)"));
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".png");
    return path;
}

bool writeWidgetPicture(QWidget *widget, const QString &path) {
    if (!widget || path.isEmpty()) return false;
    const QSize size = widget->size();
    PictureScope scope;
    if (QFileInfo(path).suffix().compare(QStringLiteral("svg"), Qt::CaseInsensitive) == 0) {
        QSvgGenerator svg;
        svg.setFileName(path);
        // At 96 dots per inch a browser shows the drawing at the window's size.
        svg.setResolution(96);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle(widget->window()->windowTitle());
        widget->render(&svg);
        return QFileInfo(path).size() > 0;
    }
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    widget->render(&image);
    return image.save(path, "PNG");
}

}  // namespace quorvel
