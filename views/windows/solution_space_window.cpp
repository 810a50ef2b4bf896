#include "views/windows/solution_space_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QHelpEvent>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>
#include <cstring>
#include <vector>

#include "views/dialogs/dialog_units.h"
#include "views/dialogs/error_dialog.h"
#include "views/dialogs/plane_windows.h"
#include "views/dialogs/solution_info_dialog.h"
#include "views/dialogs/file_dialogs.h"
#include "engine/error.h"
#include "pipeline/session.h"
#include "pipeline/tracer.h"
#include "tracing/braid.h"
#include "views/windows/braid_info_dialog.h"
#include "views/windows/parameter_space_icons.h"
#include "views/windows/plane_canvas.h"
#include "views/windows/tool_buttons.h"

namespace quorvel {

namespace {

// Dialog units of the client area at font size 9.
constexpr int windowUnits = 265;

// The information dialog of a solution that is open, if any.
SolutionInfoDialog *openSolutionInfoDialog() {
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *dialog = qobject_cast<SolutionInfoDialog *>(w); dialog && dialog->isVisible())
            return dialog;
    return nullptr;
}

void bringForward(QWidget *window) {
    window->raise();
    window->activateWindow();
}

}  // namespace

// ---- the client area ---------------------------------------------------------

class SolutionSpaceWindow::Client : public QWidget {
public:
    explicit Client(SolutionSpaceWindow &window) : QWidget(&window), window_(window) {
        // Not marked opaque, although every paint covers the whole area:
        // the tracer repaints the window as a whole, and Qt passes such an
        // update on only to children that are not opaque.
        setObjectName(QStringLiteral("solutionSpaceClient"));
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter painter(this);
        window_.paintClient(painter, size());
    }
    void resizeEvent(QResizeEvent *) override {
        window_.look_->view.resize(width(), height());
        update();
    }
    void mousePressEvent(QMouseEvent *event) override {
        if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
        PlaneView &view = window_.look_->view;
        view.mouseDown = 1;
        view.dragAnchor = {event->position().toPoint().x(), event->position().toPoint().y()};
    }
    void mouseMoveEvent(QMouseEvent *event) override {
        PlaneView &view = window_.look_->view;
        if (view.mouseDown && view.handTool) {
            const QPoint p = event->position().toPoint();
            view.dragTo(p.x(), p.y());
            update();
        }
    }
    void mouseReleaseEvent(QMouseEvent *event) override {
        if (event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
        const QPoint p = event->position().toPoint();
        window_.mouseReleased(p.x(), p.y());
    }
    bool event(QEvent *event) override {
        if (event->type() != QEvent::ToolTip) return QWidget::event(event);
        auto *help = static_cast<QHelpEvent *>(event);
        SolutionSpaceState any;
        any.traceFinished = 1;
        any.relaxedMode = window_.session_.solutionSpace.relaxedMode;
        QString tip;
        switch (stripButtonAt(help->pos().x(), help->pos().y(), any)) {
        case StripButton::TraceMode: tip = QStringLiteral("Trace mode: every recorded step (Ctrl+T)"); break;
        case StripButton::NameMode: tip = QStringLiteral("Names beside the points (Ctrl+N)"); break;
        case StripButton::Braid: tip = QStringLiteral("Braid Information of the finished run"); break;
        case StripButton::Warning: tip = QStringLiteral("Why the result may contain error"); break;
        case StripButton::None: break;
        }
        if (tip.isEmpty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            QToolTip::showText(help->globalPos(), tip, this);
        }
        return true;
    }
    void contextMenuEvent(QContextMenuEvent *event) override {
        window_.popupTraceMode_->setChecked(window_.look_->traceMode != 0);
        window_.popupNameMode_->setChecked(window_.look_->nameMode != 0);
        window_.popup_->exec(event->globalPos());
    }

private:
    SolutionSpaceWindow &window_;
};

// ---- the window ----------------------------------------------------------------

SolutionSpaceWindow::SolutionSpaceWindow(Session &session, std::shared_ptr<SolutionSpaceLook> look,
                                         QWidget *parent)
    : QWidget(parent, Qt::Window),
      session_(session),
      look_(look ? std::move(look) : std::make_shared<SolutionSpaceLook>()),
      canvas_() {
    setWindowTitle(QStringLiteral("Solution Space"));
    choosePicture_ = [this](const QString &initialName) { return choosePictureFile(this, initialName); };
    setFont(dialogFont(9));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    menuBar_ = new QMenuBar(this);
    layout->setMenuBar(menuBar_);
    client_ = new Client(*this);
    layout->addWidget(client_);

    buildMenus();
    buildToolButtons();

    const QSize clientSize = DialogUnits(font()).size(windowUnits, windowUnits);
    resize(clientSize.width(), clientSize.height() + menuBar_->sizeHint().height());
}

SolutionSpaceWindow::~SolutionSpaceWindow() = default;

void SolutionSpaceWindow::buildMenus() {
    const std::map<int, void (SolutionSpaceWindow::*)()> handlers = {
        {commandZoomIn, &SolutionSpaceWindow::zoomIn},
        {commandZoomOut, &SolutionSpaceWindow::zoomOut},
        {commandUp, &SolutionSpaceWindow::panUp},
        {commandDown, &SolutionSpaceWindow::panDown},
        {commandLeft, &SolutionSpaceWindow::panLeft},
        {commandRight, &SolutionSpaceWindow::panRight},
        {commandDefaultSize, &SolutionSpaceWindow::defaultSize},
        {commandDisplayAll, &SolutionSpaceWindow::displayAll},
        {commandTraceMode, &SolutionSpaceWindow::toggleTraceMode},
        {commandNameOn, &SolutionSpaceWindow::toggleNameMode},
        {psw::savePicture, &SolutionSpaceWindow::savePicture},
    };
    const auto fill = [&](QMenu *menu, const auto &items, bool keep) {
        for (const CommandText &item : items) {
            if (!item.text) {
                menu->addSeparator();
                continue;
            }
            QAction *action = menu->addAction(QString::fromUtf8(item.text));
            action->setObjectName(QStringLiteral("command%1").arg(item.id));
            connect(action, &QAction::triggered, this, [this, handler = handlers.at(item.id)] {
                (this->*handler)();
                showPendingErrors();
            });
            if (item.id == commandTraceMode || item.id == commandNameOn) action->setCheckable(true);
            if (!keep) continue;
            commands_[item.id] = action;
            addCommandShortcut(this, action, item.id);
        }
    };
    QMenu *view = menuBar_->addMenu(QStringLiteral("View"));
    fill(view, viewMenuTexts, true);
    // Not a command of the menu resource: the menu bar alone offers it.
    view->addSeparator();
    fill(view, std::initializer_list<CommandText>{{psw::savePicture, savePictureText}}, true);
    fill(menuBar_->addMenu(QStringLiteral("Mode")), solutionModeTexts, true);
    // Both items show the kept modes: "&Name On" is checked while names
    // are shown.
    commands_.at(commandTraceMode)->setChecked(look_->traceMode != 0);
    commands_.at(commandNameOn)->setChecked(look_->nameMode != 0);

    popup_ = new QMenu(this);
    popup_->setObjectName(QStringLiteral("solutionSpacePopup"));
    fill(popup_, navigationPopupTexts, false);
    popup_->addSeparator();
    fill(popup_, solutionPopupModeTexts, false);
    for (QAction *action : popup_->actions()) {
        if (action->objectName() == QStringLiteral("command%1").arg(commandTraceMode))
            popupTraceMode_ = action;
        if (action->objectName() == QStringLiteral("command%1").arg(commandNameOn))
            popupNameMode_ = action;
    }
}

void SolutionSpaceWindow::buildToolButtons() {
    const std::map<int, void (SolutionSpaceWindow::*)()> handlers = {
        {buttonZoomIn, &SolutionSpaceWindow::zoomIn},
        {buttonZoomOut, &SolutionSpaceWindow::zoomOut},
        {buttonHand, &SolutionSpaceWindow::selectHandTool},
        {buttonDot, &SolutionSpaceWindow::selectDotTool},
    };
    tools_ = addToolButtons(client_, DialogUnits(font()), [this, handlers](int id) { (this->*handlers.at(id))(); });
    // The buttons show the tool the window was left with.
    tools_.at(buttonHand)->setChecked(look_->view.handTool != 0);
    tools_.at(buttonDot)->setChecked(look_->view.handTool == 0);
}

QWidget *SolutionSpaceWindow::client() const { return client_; }

QAction *SolutionSpaceWindow::menuCommand(int id) const {
    const auto it = commands_.find(id);
    return it == commands_.end() ? nullptr : it->second;
}

QToolButton *SolutionSpaceWindow::toolButton(int id) const {
    const auto it = tools_.find(id);
    return it == tools_.end() ? nullptr : it->second;
}

void SolutionSpaceWindow::repaintPlane() { client_->update(); }

void SolutionSpaceWindow::zoomIn() {
    look_->view.zoomIn();
    repaintPlane();
}

void SolutionSpaceWindow::zoomOut() {
    look_->view.zoomOut();
    repaintPlane();
}

void SolutionSpaceWindow::panUp() {
    look_->view.panUp();
    repaintPlane();
}

void SolutionSpaceWindow::panDown() {
    look_->view.panDown();
    repaintPlane();
}

void SolutionSpaceWindow::panLeft() {
    look_->view.panLeft();
    repaintPlane();
}

void SolutionSpaceWindow::panRight() {
    look_->view.panRight();
    repaintPlane();
}

void SolutionSpaceWindow::defaultSize() {
    look_->view.defaultSize();
    repaintPlane();
}

namespace {

// Fits every recorded position, with room for the names written below and
// right of the marks at the edges.
void fitSolutions(PlaneView &view, const TraceRecord *trace) {
    std::vector<Complex> points;
    for (const TraceRecord *r = trace; r; r = r->next) points.push_back(r->value);
    view.displayAll(points);
    if (points.empty()) return;
    const Complex centre = view.viewCentre();
    view.scale *= 0.85;
    view.setView(centre.re, centre.im);
}

}  // namespace

void SolutionSpaceWindow::displayAll() {
    fitSolutions(look_->view, session_.traces.solutionTrace);
    look_->view.fittedRequest = session_.parameterSpace.fitRequest;
    repaintPlane();
}

void SolutionSpaceWindow::selectHandTool() {
    for (const auto &[id, button] : tools_) button->setChecked(id == buttonHand);
    look_->view.handTool = 1;
}

void SolutionSpaceWindow::selectDotTool() {
    for (const auto &[id, button] : tools_) button->setChecked(id == buttonDot);
    look_->view.handTool = 0;
}

void SolutionSpaceWindow::toggleTraceMode() {
    commands_.at(commandTraceMode)->setChecked(look_->traceMode == 0);
    look_->traceMode = look_->traceMode ? 0 : 1;
    repaintPlane();
}

void SolutionSpaceWindow::toggleNameMode() {
    commands_.at(commandNameOn)->setChecked(look_->nameMode == 0);
    look_->nameMode = look_->nameMode ? 0 : 1;
    repaintPlane();
}

void SolutionSpaceWindow::showBraidInformation() {
    if (BraidInfoDialog *open = openBraidInfoDialog()) {
        bringForward(open);
        return;
    }
    // The permutation is the one the checks of the run read off its first
    // and last step, shown only when the run ended where it began and every
    // track ended on a different point; the braid word is shown either way.
    openBraidInfo(session_, tracePermutation(session_));
}

void SolutionSpaceWindow::savePicture() {
    const QString path = choosePicture_(QStringLiteral("solution-space.png"));
    FileWrite how;
    if (!path.isEmpty() && askHowToWrite(this, path, how)) savePictureTo(path, how);
}

bool SolutionSpaceWindow::savePictureTo(const QString &path, const FileWrite &how) {
    const PixelRect &r = look_->view.planeRect;
    return writeWidgetPicture(client_, path, QRect(r.left, r.top, r.width(), r.height()), how);
}

void SolutionSpaceWindow::explainWarning() {
    showError("Solutions move illegally. The result may contain error.",
              "Using manual mode, replace the parameter path.");
}

void SolutionSpaceWindow::pickAt(int x, int y) {
    const std::optional<PickedSolution> picked = pickSolution(session_, *look_, x, y);
    if (!picked) return;
    if (SolutionInfoDialog *open = openSolutionInfoDialog()) {
        bringForward(open);
        return;
    }
    const Term *point =
        findByNumber(session_.solutionSpace.tracedFiber(session_.state.fiber.get()), picked->number);
    const std::string name = point ? std::string(pointName(point), strnlen(pointName(point), 3)) : "";
    if (SolutionInfoDialog *dialog = openSolutionInfo(session_, picked->value, name, picked->number)) {
        connect(dialog, &SolutionInfoDialog::renamed, this, &SolutionSpaceWindow::repaintPlane);
        connect(dialog, &SolutionInfoDialog::renamed, this, &SolutionSpaceWindow::formChanged);
    }
}

void SolutionSpaceWindow::mouseReleased(int x, int y) {
    look_->view.mouseDown = 0;
    switch (stripButtonAt(x, y, session_.solutionSpace)) {
    case StripButton::TraceMode:
        toggleTraceMode();
        return;
    case StripButton::NameMode:
        toggleNameMode();
        return;
    case StripButton::Braid:
        showBraidInformation();
        return;
    case StripButton::Warning:
        explainWarning();
        return;
    case StripButton::None:
        break;
    }
    if (!look_->view.handTool) pickAt(x, y);
}

void SolutionSpaceWindow::paintClient(QPainter &painter, const QSize &size) {
    // A new fiber or traces: the plane fits every recorded position first.
    if (look_->view.fittedRequest != session_.parameterSpace.fitRequest) {
        fitSolutions(look_->view, session_.traces.solutionTrace);
        look_->view.fittedRequest = session_.parameterSpace.fitRequest;
    }
    // The canvas covers the whole window, however large it is made.
    const SolutionSpaceRenderer renderer(session_, *look_);
    if (drawingPicture()) {
        // A picture: the plane drawn straight onto it, antialiased.
        const PixelRect &r = look_->view.planeRect;
        painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setClipRect(QRect(r.left, r.top, r.width(), r.height()));
        painter.setFont(font());
        renderer.paintPlane(painter);
        paintPictureReadOuts(painter, look_->view);
        painter.restore();
        return;
    }
    fitCanvas(canvas_, size, client_->devicePixelRatioF());
    {
        QPainter canvas(&canvas_);
        canvas.setFont(font());
        renderer.paintPlane(canvas);
    }
    const PixelRect &r = look_->view.planeRect;
    // Nothing else draws in the strips' unused parts: give them the window's
    // face colour.
    painter.fillRect(QRect(QPoint(0, 0), size), palette().window());
    copyCanvas(painter, canvas_, QRect(r.left, r.top, r.width(), r.height()));
    painter.setFont(font());
    renderer.paintStrips(painter);
}

void SolutionSpaceWindow::closeEvent(QCloseEvent *event) {
    session_.state.solutionViewOpen = 0;
    QWidget::closeEvent(event);
}

void installSolutionSpaceWindow(PlaneWindows &windows, Session &session) {
    auto look = std::make_shared<SolutionSpaceLook>();
    PlaneWindows *all = &windows;
    windows.setSolutionSpaceFactory([&session, look, all]() -> QWidget * {
        auto *window = new SolutionSpaceWindow(session, look);
        QObject::connect(window, &SolutionSpaceWindow::formChanged, all, &PlaneWindows::formChanged);
        return window;
    });
}

}  // namespace quorvel
