#include "views/dialogs/file_dialogs.h"

#include <QFileDialog>
#include <QStringList>

#include "pipeline/document.h"

namespace quorvel {

QString qtFilter(const QString &pairs) {
    const QStringList parts = pairs.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString &description = parts[i];
        const QString &pattern = parts[i + 1];
        if (description.isEmpty() && pattern.isEmpty()) break;  // the closing "||"
        if (description.contains(QLatin1Char('(')) || pattern.isEmpty())
            filters << description;
        else
            filters << QStringLiteral("%1 (%2)").arg(description, pattern);
    }
    return filters.join(QStringLiteral(";;"));
}

QString chooseDocumentFile(QWidget *parent, FileAction action, const QString &initialName) {
    QFileDialog dialog(parent);
    dialog.setNameFilter(qtFilter(QString::fromUtf8(documentFilter)));
    dialog.selectFile(initialName);
    if (action == FileAction::Save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(QString::fromLatin1(documentExtension));
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.selectedFiles().value(0);
}

}  // namespace quorvel
