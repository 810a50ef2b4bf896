// "Save picture…": what a window shows, written as a PNG image or an SVG
// drawing (chosen by the file's suffix), at the window's size.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace quorvel {

inline constexpr const char *savePictureText = "Save picture…";

// Asks where to write the picture; empty when the user cancelled.
using PictureChooser = std::function<QString(const QString &initialName)>;
// The system's save dialog with the PNG and SVG filters; a name without a
// suffix gets ".png".
QString choosePictureFile(QWidget *parent, const QString &initialName);

// Renders the widget and its children into the file: SVG when the name ends
// in ".svg", PNG otherwise. Answers whether the file was written.
bool writeWidgetPicture(QWidget *widget, const QString &path);

// True while a picture is being written: windows then draw their planes
// directly (vector lines in SVG, antialiased) rather than copying their
// off-screen canvas.
bool drawingPicture();

}  // namespace quorvel
