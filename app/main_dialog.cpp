#include "app/main_dialog.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTextCursor>

#include "app/about_dialog.h"
#include "app/app_icon.h"
#include "views/dialogs/dialog_units.h"
#include "views/dialogs/error_dialog.h"
#include "app/form_widgets.h"
#include "app/help_window.h"
#include "views/dialogs/load_dialogs.h"
#include "pipeline/load_report.h"
#include "views/dialogs/plane_windows.h"
#include "app/progress_bars.h"
#include "views/dialogs/text_fields.h"
#include "pipeline/document.h"
#include "pipeline/session.h"
#include "views/windows/braid_info_dialog.h"
#include "views/windows/parameter_space_window.h"
#include "views/windows/solution_space_window.h"

namespace quorvel {

namespace {

enum class Kind {
    Label,
    Edit,
    ReadOnlyEdit,
    TextBox,          // wrapping, one logical line
    ReadOnlyTextBox,  // wrapping, read-only
    Button,
    DefaultButton,
    HiddenButton,
    WrappingButton,
    CheckBox,
    ProgressBar,
    SortedList,
};

struct Control {
    int id;  // 0 for labels
    Kind kind;
    const char *caption;
    int x, y, width, height;  // dialog units
};

// The form in creation order, which is also the keyboard focus order.
constexpr Control mainForm[] = {
    {1000, Kind::TextBox, "", 53, 29, 347, 39},
    {1002, Kind::Edit, "", 70, 4, 112, 19},
    {1009, Kind::ReadOnlyEdit, "", 239, 5, 25, 22},
    {1010, Kind::ReadOnlyEdit, "", 272, 5, 25, 22},
    {2, Kind::Button, "Quit", 264, 180, 65, 22},
    {1007, Kind::Button, "Load", 188, 153, 65, 22},
    {1008, Kind::Button, "HELP", 264, 153, 65, 22},
    {0, Kind::Label, "Quorvel ", 4, 7, 37, 13},
    {0, Kind::Label, "Polynomial of curve", 4, 29, 44, 30},
    {0, Kind::Label, "Name", 46, 7, 23, 13},
    {0, Kind::Label, "Valuables", 194, 8, 39, 13},
    {1016, Kind::CheckBox, "Don't check whether a branch point", 4, 210, 118, 17},
    {1, Kind::HiddenButton, "Ok", 355, 5, 37, 22},
    {1026, Kind::ProgressBar, "", 287, 290, 131, 22},
    {1029, Kind::ReadOnlyTextBox, "", 53, 73, 346, 39},
    {0, Kind::Label, "Polynomial of Branch loci..", 3, 73, 47, 38},
    {1030, Kind::DefaultButton, "Go", 188, 125, 65, 22},
    {0, Kind::Label, "- log (difference)", 287, 262, 91, 13},
    {1031, Kind::ProgressBar, "", 285, 231, 131, 22},
    {0, Kind::Label, "number of iteration", 287, 214, 97, 13},
    {1035, Kind::SortedList, "", 4, 133, 170, 73},
    {0, Kind::Label, "List of branch loci", 4, 118, 81, 10},
    {0, Kind::Label, "Base point of parameter", 4, 230, 111, 13},
    {1036, Kind::Edit, "", 4, 243, 118, 16},
    {0, Kind::Label, "Fiber over the base point", 139, 223, 112, 13},
    {1039, Kind::SortedList, "", 136, 240, 130, 77},
    {1044, Kind::CheckBox, "Fix base point", 4, 265, 77, 16},
    {1045, Kind::WrappingButton, "Re-calculate the fiber over base point", 3, 283, 116, 26},
    {1037, Kind::WrappingButton, "Display parameter space", 337, 120, 66, 83},
    {1059, Kind::Button, "Clear All", 263, 125, 65, 22},
    {1060, Kind::Button, "Save", 188, 179, 65, 22},
};

QWidget *makeControl(const Control &c, QWidget *parent) {
    const QString caption = QString::fromUtf8(c.caption);
    QWidget *w = nullptr;
    QString prefix;
    switch (c.kind) {
    case Kind::Label:
        return nullptr;  // labels are added by addLabel
    case Kind::Edit:
    case Kind::ReadOnlyEdit: {
        auto *edit = new QLineEdit(parent);
        edit->setReadOnly(c.kind == Kind::ReadOnlyEdit);
        w = edit;
        prefix = QStringLiteral("edit");
        break;
    }
    case Kind::TextBox:
    case Kind::ReadOnlyTextBox: {
        auto *box = new PolynomialEdit(parent);
        box->setReadOnly(c.kind == Kind::ReadOnlyTextBox);
        box->setTabChangesFocus(true);
        w = box;
        prefix = QStringLiteral("edit");
        break;
    }
    case Kind::Button:
    case Kind::DefaultButton:
    case Kind::HiddenButton: {
        auto *button = new QPushButton(caption, parent);
        button->setDefault(c.kind == Kind::DefaultButton);
        button->setVisible(c.kind != Kind::HiddenButton);
        w = button;
        prefix = QStringLiteral("button");
        break;
    }
    case Kind::WrappingButton:
        w = new quorvel::WrappingButton(caption, parent);
        prefix = QStringLiteral("button");
        break;
    case Kind::CheckBox:
        w = new WrappingCheckBox(caption, parent);
        prefix = QStringLiteral("check");
        break;
    case Kind::ProgressBar: {
        auto *bar = new QProgressBar(parent);
        bar->setTextVisible(false);
        bar->setRange(0, 100);
        bar->setValue(0);
        w = bar;
        prefix = QStringLiteral("progress");
        break;
    }
    case Kind::SortedList: {
        // The session orders the lines: the loci as their loops, the
        // fiber as its names.
        auto *list = new QListWidget(parent);
        list->setSortingEnabled(false);
        w = list;
        prefix = QStringLiteral("list");
        break;
    }
    }
    w->setObjectName(prefix + QString::number(c.id));
    return w;
}

// Rewrites a list only when its lines differ, so the selection and the
// scroll position survive commands that did not touch it.
void showLines(QListWidget *list, const SortedList &lines) {
    bool same = list->count() == static_cast<int>(lines.size());
    for (int i = 0; same && i < list->count(); ++i)
        same = list->item(i)->text() == toQString(lines.lines()[static_cast<size_t>(i)]);
    if (same) return;
    const QSignalBlocker block(list);
    list->clear();
    for (const std::string &line : lines.lines()) list->addItem(toQString(line));
}

void showText(QLineEdit *edit, const std::string &text) {
    const QString value = toQString(text);
    if (edit->text() == value) return;
    const QSignalBlocker block(edit);
    edit->setText(value);
}

void showText(QPlainTextEdit *box, const std::string &text) {
    const QString value = toQString(text);
    if (box->toPlainText() == value) return;
    const QSignalBlocker block(box);
    box->setPlainText(value);
    box->moveCursor(QTextCursor::End);
}

void showCheck(QCheckBox *box, bool checked) {
    const QSignalBlocker block(box);
    box->setChecked(checked);
}

// The plane windows draw from the session: after a command of this window
// changed it, both repaint (whichever is open).
void repaintPlanes(PlaneWindows &windows) {
    if (QWidget *w = windows.parameterSpace()) w->update();
    if (QWidget *w = windows.solutionSpace()) w->update();
}

}  // namespace

MainDialog::MainDialog(Session &session, QWidget *parent)
    : QDialog(parent),
      session_(session),
      planeWindows_(std::make_unique<PlaneWindows>(session.state)) {
    chooseFile_ = [this](FileAction action, const QString &initialName) {
        return chooseDocumentFile(this, action, initialName);
    };
    setWindowTitle(QStringLiteral("Quorvel"));
    setWindowIcon(appIcon());
    buildControls();
    connectControls();
    installParameterSpaceWindow(*planeWindows_, session_);
    // A load in the Parameter Space window may replace the curve: the form
    // then shows what is held.
    connect(planeWindows_.get(), &PlaneWindows::formChanged, this, &MainDialog::showForm);
    installSolutionSpaceWindow(*planeWindows_, session_);

    progress_ = std::make_unique<ProgressBars>(differenceBar_, iterationBar_);
    session_.progress = progress_.get();

    // X11 windows have no system menu: the About item lives in the window's
    // context menu and has a shortcut.
    auto *about = new QAction(QStringLiteral("Quorvel のﾊﾞｰｼﾞｮﾝ情報(&A)..."), this);
    about->setObjectName(QStringLiteral("actionAbout"));
    about->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
    connect(about, &QAction::triggered, this, &MainDialog::showAbout);
    addAction(about);
    setContextMenuPolicy(Qt::ActionsContextMenu);

    // The form as the window opens: "Don't check ..." restored, the
    // document's name, "Fix base point" checked.
    session_.form.dontCheck = session_.state.dontCheckBranchPoint != 0;
    session_.form.name = session_.state.documentName;
    session_.form.fixBasePoint = true;
    showForm();
}

MainDialog::~MainDialog() {
    if (session_.progress == progress_.get()) session_.progress = nullptr;
}

void MainDialog::buildControls() {
    const DialogUnits u = prepareDialog(*this, 12, 425, 338);
    for (const Control &c : mainForm) {
        if (c.kind == Kind::Label)
            addLabel(this, u, QString::fromUtf8(c.caption), c.x, c.y, c.width, c.height);
        else
            place(makeControl(c, this), u, c.x, c.y, c.width, c.height);
    }

    polynomial_ = findChild<QPlainTextEdit *>(QStringLiteral("edit1000"));
    name_ = findChild<QLineEdit *>(QStringLiteral("edit1002"));
    fiberLetter_ = findChild<QLineEdit *>(QStringLiteral("edit1009"));
    parameterLetter_ = findChild<QLineEdit *>(QStringLiteral("edit1010"));
    branchPolynomial_ = findChild<QPlainTextEdit *>(QStringLiteral("edit1029"));
    branchLoci_ = findChild<QListWidget *>(QStringLiteral("list1035"));
    basePoint_ = findChild<QLineEdit *>(QStringLiteral("edit1036"));
    fiber_ = findChild<QListWidget *>(QStringLiteral("list1039"));
    dontCheck_ = findChild<QCheckBox *>(QStringLiteral("check1016"));
    fixBasePoint_ = findChild<QCheckBox *>(QStringLiteral("check1044"));
    differenceBar_ = findChild<QProgressBar *>(QStringLiteral("progress1026"));
    iterationBar_ = findChild<QProgressBar *>(QStringLiteral("progress1031"));

    name_->setMaxLength(static_cast<int>(documentNameLimit));
    basePoint_->setMaxLength(static_cast<int>(basePointTextLimit));
}

void MainDialog::connectControls() {
    const auto button = [this](int id) {
        return findChild<QPushButton *>(QStringLiteral("button%1").arg(id));
    };
    connect(button(2), &QPushButton::clicked, this, &QDialog::reject);
    connect(button(1), &QPushButton::clicked, this, &QDialog::accept);
    connect(button(1030), &QPushButton::clicked, this, &MainDialog::go);
    connect(button(1059), &QPushButton::clicked, this, &MainDialog::clearAll);
    connect(button(1045), &QPushButton::clicked, this, &MainDialog::recalculate);
    connect(button(1007), &QPushButton::clicked, this, &MainDialog::load);
    connect(button(1060), &QPushButton::clicked, this, &MainDialog::save);
    connect(button(1008), &QPushButton::clicked, this, &MainDialog::showHelp);
    connect(button(1037), &QPushButton::clicked, this, &MainDialog::openPlaneWindows);

    connect(polynomial_, &QPlainTextEdit::textChanged, this, [this] {
        // Too long a text is refused whole, never cut into another curve:
        // the field shows again what the form holds.
        const QByteArray typed = polynomial_->toPlainText().toUtf8();
        const bool held = session_.state.stage > stageNothing;
        session_.typePolynomial(std::string(typed.constData(), static_cast<size_t>(typed.size())));
        // The edit gave up the curve: the planes and Info show nothing of it.
        if (held && session_.state.stage == stageNothing) {
            closeRunResults();
            repaintPlanes(*planeWindows_);
        }
        showForm();
    });
    connect(name_, &QLineEdit::textEdited, this, [this](const QString &text) {
        session_.typeName(toLimitedUtf8(text, documentNameLimit));
        showForm();
    });
    connect(basePoint_, &QLineEdit::textEdited, this, [this](const QString &text) {
        session_.typeBasePoint(toLimitedUtf8(text, basePointTextLimit));
        showForm();
    });
    connect(dontCheck_, &QCheckBox::clicked, this, [this] {
        session_.toggleDontCheck();
        showForm();
    });
    connect(fixBasePoint_, &QCheckBox::clicked, this, [this](bool checked) {
        session_.setFixBasePoint(checked);
        showForm();
    });
}

int MainDialog::run() {
    // Modal to a hierarchy of its own: it blocks no other top-level window.
    setWindowModality(Qt::WindowModal);
    return exec();
}

void MainDialog::showForm() {
    const MainForm &f = session_.form;
    showText(polynomial_, f.polynomial);
    showText(name_, f.name);
    showText(fiberLetter_, f.fiberLetter);
    showText(parameterLetter_, f.parameterLetter);
    showText(branchPolynomial_, f.branchPolynomial);
    showLines(branchLoci_, f.branchLoci);
    showText(basePoint_, f.basePoint);
    showCheck(fixBasePoint_, f.fixBasePoint);
    showLines(fiber_, f.fiber);
    showCheck(dontCheck_, f.dontCheck);
}

void MainDialog::go() {
    closeRunResults();
    session_.runPipeline();
    showForm();
    repaintPlanes(*planeWindows_);
    showPendingErrors();
}

void MainDialog::clearAll() {
    closeRunResults();
    session_.clearAll();
    showForm();
    repaintPlanes(*planeWindows_);
    showPendingErrors();
}

void MainDialog::recalculate() {
    closeRunResults();
    session_.recalculateFiber();
    showForm();
    repaintPlanes(*planeWindows_);
    showPendingErrors();
}

void MainDialog::load() {
    const QString path = chooseFile_(FileAction::Open, toQString(session_.state.documentName));
    if (path.isEmpty()) return;
    DialogLoadQuestions questions(this);
    closeRunResults();
    const LoadOutcome outcome = loadDocumentReporting(session_, path.toStdString(), questions);
    showForm();
    repaintPlanes(*planeWindows_);
    showPendingErrors();
    tellUnloaded(this, path, outcome.notices);
}

void MainDialog::save() {
    const QString path = chooseFile_(FileAction::Save, toQString(session_.state.documentName));
    FileWrite how;
    if (path.isEmpty() || !askHowToWrite(this, path, how)) return;
    saveDocument(session_, path.toStdString(), how);
    showPendingErrors();
}

void MainDialog::reject() {
    if (session_.hasUnsavedWork()) {
        QMessageBox ask(QMessageBox::Question, QStringLiteral("Quorvel"),
                        QStringLiteral("The polynomial, its results or the traces of a run are not saved."),
                        QMessageBox::NoButton, this);
        ask.setObjectName(QStringLiteral("unsavedQuestion"));
        ask.setInformativeText(QStringLiteral("Save them before quitting?"));
        QPushButton *saveButton = ask.addButton(QStringLiteral("Save"), QMessageBox::AcceptRole);
        ask.addButton(QStringLiteral("Quit without saving"), QMessageBox::DestructiveRole);
        QPushButton *stay = ask.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
        ask.setDefaultButton(saveButton);
        ask.setEscapeButton(stay);
        ask.exec();
        if (ask.clickedButton() == stay) return;
        if (ask.clickedButton() == saveButton) {
            // Everything is kept, the traces of a run too.
            const QString path = chooseFile_(FileAction::Save, toQString(session_.state.documentName));
            FileWrite how;
            if (path.isEmpty() || !askHowToWrite(this, path, how) ||
                !saveDocumentWithTraces(session_, path.toStdString(), how))
                return;
        }
    }
    QDialog::reject();
}

void MainDialog::showHelp() {
    if (!help_) help_ = std::make_unique<HelpWindow>();
    help_->showHome();
}

void MainDialog::showAbout() {
    AboutDialog dialog(this);
    dialog.exec();
}

void MainDialog::openPlaneWindows() { planeWindows_->open(); }

}  // namespace quorvel
