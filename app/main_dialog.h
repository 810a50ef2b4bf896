// The main window, "Quorvel": the form of one computation. It mirrors the
// session's main form in its controls, turns every click and edit into the
// session's command, and re-reads the form afterwards.
#pragma once

#include <QDialog>
#include <memory>

#include "views/dialogs/file_dialogs.h"

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;

namespace quorvel {

class HelpWindow;
class PlaneWindows;
class ProgressBars;
class Session;

class MainDialog : public QDialog {
    Q_OBJECT

public:
    explicit MainDialog(Session &session, QWidget *parent = nullptr);
    ~MainDialog() override;

    // Runs the window until it closes. It blocks only itself: the plane
    // windows, the help and the small modeless dialogs stay usable beside
    // it, while the error dialog and the questions block everything.
    int run();

    // Replaces the file dialogs (tests answer with a path of their own).
    void setFileChooser(FileChooser chooser) { chooseFile_ = std::move(chooser); }

    PlaneWindows &planeWindows() { return *planeWindows_; }
    HelpWindow *helpWindow() const { return help_.get(); }

    // Writes the session's main form into the controls without firing their
    // change notifications.
    void showForm();

    // The commands of the buttons.
    void go();
    void clearAll();
    void recalculate();
    void load();
    void save();
    void showHelp();
    void showAbout();
    void openPlaneWindows();

    // Quit and the close box: with unsaved work, asks first whether to save
    // it, quit without it, or stay.
    void reject() override;

private:
    void buildControls();
    void connectControls();

    Session &session_;
    FileChooser chooseFile_;
    std::unique_ptr<ProgressBars> progress_;
    std::unique_ptr<PlaneWindows> planeWindows_;
    std::unique_ptr<HelpWindow> help_;

    QPlainTextEdit *polynomial_ = nullptr;       // 1000
    QLineEdit *name_ = nullptr;                  // 1002
    QLineEdit *fiberLetter_ = nullptr;           // 1009
    QLineEdit *parameterLetter_ = nullptr;       // 1010
    QPlainTextEdit *branchPolynomial_ = nullptr; // 1029
    QListWidget *branchLoci_ = nullptr;          // 1035
    QLineEdit *basePoint_ = nullptr;             // 1036
    QListWidget *fiber_ = nullptr;               // 1039
    QCheckBox *dontCheck_ = nullptr;             // 1016
    QCheckBox *fixBasePoint_ = nullptr;          // 1044
    QProgressBar *differenceBar_ = nullptr;      // 1026
    QProgressBar *iterationBar_ = nullptr;       // 1031
};

}  // namespace quorvel
