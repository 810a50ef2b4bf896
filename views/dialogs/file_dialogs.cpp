#include "views/dialogs/file_dialogs.h"

#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
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

bool askHowToWrite(QWidget *parent, const QString &path, FileWrite &how) {
    how = FileWrite();
    if (!isReadOnlyFile(QFile::encodeName(path).toStdString())) return true;
    QMessageBox ask(QMessageBox::Question, QStringLiteral("Quorvel"),
                    QStringLiteral("%1 is read-only.").arg(path), QMessageBox::NoButton, parent);
    ask.setObjectName(QStringLiteral("readOnlyQuestion"));
    ask.setInformativeText(QStringLiteral("Replace it anyway? It stays read-only."));
    QPushButton *replace = ask.addButton(QStringLiteral("Replace"), QMessageBox::DestructiveRole);
    QPushButton *keep = ask.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    ask.setDefaultButton(keep);
    ask.setEscapeButton(keep);
    ask.exec();
    how.replaceReadOnly = ask.clickedButton() == replace;
    return how.replaceReadOnly;
}

}  // namespace quorvel
