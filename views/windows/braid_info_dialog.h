// "Braid Information": the monodromy permutation of a finished trace as
// cycles of point names, the braid word as signed generators, and the
// picture of the braid. Modeless, and at most one at a time.
#pragma once

#include <QDialog>
#include <vector>

#include "views/windows/braid_picture.h"
#include "pipeline/file_writer.h"

class QLabel;
class QPlainTextEdit;

namespace quorvel {

class Session;

// The permutation box after a run that did not end where it began.
inline constexpr const char *openPathText = "(none: the path does not end where it began)";
// The braid box for loaded traces whose braid could not be read from their
// steps.
inline constexpr const char *unreadBraidText =
    "(none: the crossings of the recorded steps could not be read with confidence)";

class BraidInfoDialog : public QDialog {
    Q_OBJECT

public:
    // The texts and the picture are taken from the session now, so they keep
    // describing this trace when tracing starts again while the dialog is
    // open. An empty permutation stands for a run that did not end where
    // it began.
    BraidInfoDialog(const Session &session, const std::vector<int> &permutation,
                    QWidget *parent = nullptr);

    QString permutationText() const;
    QString braidText() const;
    // What the checks of the run found.
    QString checksText() const;
    // Whether they are proven (Mode > Certify).
    QString certificationText() const;
    const BraidPicture &picture() const { return picture_; }
    // "Save picture…": the dialog as it shows, PNG or SVG.
    bool savePictureTo(const QString &path, const FileWrite &how = {});

    // OK and the close box both end here; the dialog stops counting as open.
    void done(int result) override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPlainTextEdit *permutation_;  // edit 1010
    QPlainTextEdit *braid_;        // edit 1064
    QLabel *checks_ = nullptr;
    QLabel *certified_ = nullptr;
    BraidPicture picture_;
};

// Opens the dialog for the permutation unless one is open already; answers
// the new dialog, or nullptr when one was open. The dialog deletes itself
// when it closes.
BraidInfoDialog *openBraidInfo(const Session &session, const std::vector<int> &permutation);

// The open dialog; nullptr when there is none.
BraidInfoDialog *openBraidInfoDialog();
// Closes the open dialog and every "Monodromy group" dialog: the traces
// and loops they describe are no longer held (an edit, Go, Re-calculate,
// Clear All or a load replaced them).
void closeRunResults();

}  // namespace quorvel
