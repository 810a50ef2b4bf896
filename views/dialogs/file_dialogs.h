// The open and save dialogs of documents.
#pragma once

#include <QString>
#include <functional>

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

}  // namespace quorvel
