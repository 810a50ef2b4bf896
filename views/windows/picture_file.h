// "Save picture…": what a window shows, written as a PNG image or an SVG
// drawing (chosen by the file's suffix), at the window's size.
#pragma once

#include <QRect>
#include <QString>
#include <functional>

#include "pipeline/file_writer.h"

class QPainter;
class QWidget;

namespace quorvel {

class PlaneView;

inline constexpr const char *savePictureText = "Save picture…";

// Asks where to write the picture; empty when the user cancelled.
using PictureChooser = std::function<QString(const QString &initialName)>;
// The system's save dialog with the PNG and SVG filters; a name without a
// suffix gets ".png".
QString choosePictureFile(QWidget *parent, const QString &initialName);

// Renders the part `area` of the widget (its whole rectangle when empty)
// into the file, without the widget's children (tool buttons, boxes, the
// progress of a run): SVG when the name ends in ".svg", PNG otherwise. An
// SVG names the font family the text was drawn with, not the one asked
// for. The file is written as every file is (writeWholeFile): complete or
// not at all. Answers whether it was written; a failure is shown through
// the error channel.
bool writeWidgetPicture(QWidget *widget, const QString &path, const QRect &area = QRect(),
                        const FileWrite &how = {});

// The two corner read-outs of a plane (its visible extent) inside the plane's
// own corners, whole, for a picture that leaves the strips out.
void paintPictureReadOuts(QPainter &painter, const PlaneView &view);

// True while a picture is being written: windows then draw their planes
// directly (vector lines in SVG, antialiased) rather than copying their
// off-screen canvas.
bool drawingPicture();

}  // namespace quorvel
