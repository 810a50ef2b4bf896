// The open and save dialogs of documents.
#pragma once

#include <QString>
#include <functional>

#include "pipeline/file_writer.h"

class QWidget;

namespace quorvel {

// Turns "description|pattern|description|pattern||" into Qt's
// "description;;description" filter list. A description that does not show
// its pattern in parentheses gets " (pattern)" appended, since Qt reads the
// patterns from the parentheses.
QString qtFilter(const QString &pairs);

enum class FileAction { Open, Save };

// Answers the chosen path, or an empty text when the user cancelled.
using FileChooser = std::function<QString(FileAction action, const QString &initialName)>;

// The system's file dialog: the document filter (documentFilter), `initialName` offered,
// "qpf" added to saved names without a suffix, and a question before an
// existing file is overwritten.
QString chooseDocumentFile(QWidget *parent, FileAction action, const QString &initialName);

// How a window writes the chosen file: a read-only one is replaced only
// when the user answers so (it stays read-only). False when the user
// declined, and nothing is to be written.
bool askHowToWrite(QWidget *parent, const QString &path, FileWrite &how);

}  // namespace quorvel
