#include "views/windows/parameter_space_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QPainter>
#include <QHelpEvent>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "views/dialogs/dialog_units.h"
#include "views/dialogs/error_dialog.h"
#include "views/dialogs/load_dialogs.h"
#include "views/dialogs/plane_windows.h"
#include "engine/points.h"
#include "pipeline/all_loops.h"
#include "pipeline/certify.h"
#include "pipeline/document.h"
#include "pipeline/load_report.h"
#include "pipeline/session.h"
#include "pipeline/tracer.h"
#include "tracing/path_editing.h"
#include "views/windows/parameter_space_icons.h"
#include "views/headless/parameter_space_modes.h"
#include "views/windows/braid_info_dialog.h"
#include "views/windows/monodromy_group_dialog.h"
#include "views/windows/picture_file.h"
#include "views/windows/plane_canvas.h"
#include "views/windows/tool_buttons.h"

namespace quorvel {

namespace {

// The window's client size in dialog units, at font size 9.
constexpr int clientWidthUnits = 265;
constexpr int clientHeightUnits = 265;
constexpr int dialogFontSize = 9;
constexpr int timerPeriodMs = 100;
// "Trace all loops" runs faster than a step a tick: tracer steps every
// 20 ms for at most 15 ms, so the windows stay responsive between them.
constexpr int allLoopsPeriodMs = 20;
constexpr int allLoopsBudgetMs = 15;

QString text(const char *s) { return QString::fromUtf8(s); }

}  // namespace

// The client area: the two strips with the plane between them. It hands
// every event to the window, in its own (client) pixels.
class ParameterPlane : public QWidget {
public:
    explicit ParameterPlane(ParameterSpaceWindow *window) : QWidget(window), window_(window) {
        setObjectName(QStringLiteral("plane"));
        // Not marked opaque although it paints every pixel: an update of the
        // window as a whole (the main window repaints the plane windows
        // after its commands) then repaints this area too.
        setMouseTracking(true);
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter painter(this);
        window_->paintClient(painter);
    }
    void mousePressEvent(QMouseEvent *e) override {
        if (e->button() == Qt::LeftButton) window_->mousePressed(e->position().toPoint());
    }
    void mouseMoveEvent(QMouseEvent *e) override { window_->mouseMoved(e->position().toPoint()); }
    void mouseReleaseEvent(QMouseEvent *e) override {
        if (e->button() == Qt::LeftButton) window_->mouseReleased(e->position().toPoint());
    }
    void resizeEvent(QResizeEvent *) override { window_->clientResized(size()); }
    void contextMenuEvent(QContextMenuEvent *e) override { window_->showPopup(e->globalPos()); }
    bool event(QEvent *e) override {
        if (e->type() != QEvent::ToolTip) return QWidget::event(e);
        auto *help = static_cast<QHelpEvent *>(e);
        const QString tip = window_->tipAt(help->pos());
        if (tip.isEmpty()) {
            QToolTip::hideText();
            e->ignore();
        } else {
            QToolTip::showText(help->globalPos(), tip, this);
        }
        return true;
    }

private:
    ParameterSpaceWindow *window_;
};

ParameterSpaceWindow::ParameterSpaceWindow(Session &session, std::shared_ptr<PlaneView> view, QWidget *parent)
    : QWidget(parent, Qt::Window), session_(session), view_(view ? std::move(view) : std::make_shared<PlaneView>()) {
    chooseFile_ = [this](FileAction action, const QString &initialName) {
        return chooseDocumentFile(this, action, initialName);
    };
    choosePicture_ = [this](const QString &initialName) { return choosePictureFile(this, initialName); };
    setWindowTitle(QStringLiteral("Parameter Space"));
    setFont(dialogFont(dialogFontSize));
    const DialogUnits units(font());

    plane_ = new ParameterPlane(this);
    menuBar_ = new QMenuBar(this);
    menuBar_->setNativeMenuBar(false);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(menuBar_);
    layout->addWidget(plane_);

    buildMenus();
    buildButtons();
    const QSize client = units.size(clientWidthUnits, clientHeightUnits);
    resize(client.width(), client.height() + menuBar_->sizeHint().height());

    timer_.setInterval(timerPeriodMs);
    connect(&timer_, &QTimer::timeout, this, &ParameterSpaceWindow::tick);
    certifyTimer_.setInterval(allLoopsPeriodMs);
    connect(&certifyTimer_, &QTimer::timeout, this, &ParameterSpaceWindow::certifyTick);
    allLoopsTimer_.setInterval(allLoopsPeriodMs);
    connect(&allLoopsTimer_, &QTimer::timeout, this, &ParameterSpaceWindow::allLoopsTick);

    showMenuState();
    syncTimer();
}

ParameterSpaceWindow::~ParameterSpaceWindow() = default;

QWidget *ParameterSpaceWindow::plane() const { return plane_; }

QAction *ParameterSpaceWindow::action(int id) const {
    const auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

QAction *ParameterSpaceWindow::popupAction(int id) const {
    const auto it = popupActions_.find(id);
    return it == popupActions_.end() ? nullptr : it->second;
}

QToolButton *ParameterSpaceWindow::toolButton(int id) const {
    const auto it = buttons_.find(id);
    return it == buttons_.end() ? nullptr : it->second;
}

// ---- building ------------------------------------------------------------------

QAction *ParameterSpaceWindow::addCommand(QMenu *menu, int id, const char *caption,
                                          void (ParameterSpaceWindow::*slot)(), bool checkable) {
    auto *a = new QAction(text(caption), this);
    a->setObjectName(QStringLiteral("action%1").arg(id));
    a->setCheckable(checkable);
    if (slot) connect(a, &QAction::triggered, this, [this, slot] { runCommand(slot); });
    menu->addAction(a);
    addCommandShortcut(this, a, id);
    actions_[id] = a;
    return a;
}

QAction *ParameterSpaceWindow::addPopupCommand(int id, const char *caption, void (ParameterSpaceWindow::*slot)()) {
    auto *a = new QAction(text(caption), this);
    a->setObjectName(QStringLiteral("popup%1").arg(id));
    connect(a, &QAction::triggered, this, [this, slot] { runCommand(slot); });
    popupActions_[id] = a;
    return a;
}

void ParameterSpaceWindow::buildMenus() {
    using W = ParameterSpaceWindow;
    const std::map<int, void (W::*)()> handlers = {
        {psw::saveFile, &W::saveFile},
        {psw::loadFromFile, &W::loadFromFile},
        {psw::zoomIn, &W::zoomIn},
        {psw::zoomOut, &W::zoomOut},
        {psw::up, &W::panUp},
        {psw::down, &W::panDown},
        {psw::left, &W::panLeft},
        {psw::right, &W::panRight},
        {psw::defaultSize, &W::defaultSize},
        {psw::displayAll, &W::displayAll},
        {psw::autoMode, &W::autoMode},
        {psw::manualMode, &W::manualMode},
        {psw::artMode, &W::artMode},
        {psw::newPath, &W::newPath},
        {psw::selectFromAuto, &W::selectPathFromAuto},
        {psw::startTracing, &W::startTracing},
        {psw::clearPath, &W::clearPath},
        {psw::savePicture, &W::savePicture},
        {psw::traceAllLoops, &W::traceAllLoops},
    };
    const auto fill = [&](QMenu *menu, const auto &items) {
        for (const CommandText &item : items) {
            if (!item.text) {
                menu->addSeparator();
                continue;
            }
            const int16_t tool = toolOfCommand(item.id);
            const bool checkable = tool != toolNone || item.id == psw::autoMode || item.id == psw::manualMode ||
                                   item.id == psw::artMode || item.id == psw::newPath ||
                                   item.id == psw::selectFromAuto;
            const auto handler = handlers.find(item.id);
            QAction *a = addCommand(menu, item.id, item.text, handler == handlers.end() ? nullptr : handler->second,
                                    checkable);
            if (tool != toolNone) connect(a, &QAction::triggered, this, [this, tool] { selectTool(tool); });
        }
    };
    QMenu *file = menuBar_->addMenu(QStringLiteral("&File"));
    fill(file, parameterFileTexts);
    file->addSeparator();
    // Not a command of the menu resource: the menu bar alone offers it.
    addCommand(file, psw::savePicture, savePictureText, &W::savePicture);
    fill(menuBar_->addMenu(QStringLiteral("&View")), viewMenuTexts);
    QMenu *mode = menuBar_->addMenu(QStringLiteral("&Mode"));
    fill(mode, parameterModeTexts);
    mode->addSeparator();
    addCommand(mode, psw::traceAllLoops, psw::traceAllLoopsText, &W::traceAllLoops);
    addCommand(mode, psw::certify, psw::certifyText, &W::toggleCertify, true);
    fill(menuBar_->addMenu(QStringLiteral("&Path")), parameterPathTexts);

    // The popup repeats the navigation and the Mode items (the same
    // actions); Right, Left and the file commands have captions of their own.
    for (int id : {psw::right, psw::left})
        addPopupCommand(id, commandText(navigationPopupTexts, id), handlers.at(id));
    for (const CommandText &item : parameterPopupTexts) addPopupCommand(item.id, item.text, handlers.at(item.id));
}

void ParameterSpaceWindow::buildButtons() {
    const std::map<int, void (ParameterSpaceWindow::*)()> handlers = {
        {psw::zoomInButton, &ParameterSpaceWindow::zoomIn},
        {psw::zoomOutButton, &ParameterSpaceWindow::zoomOut},
        {psw::handButton, &ParameterSpaceWindow::selectHandTool},
        {psw::dotButton, &ParameterSpaceWindow::selectDotTool},
    };
    buttons_ = addToolButtons(plane_, DialogUnits(font()), [this, handlers](int id) { (this->*handlers.at(id))(); });
}

// ---- state shown -----------------------------------------------------------------

void ParameterSpaceWindow::showMenuState() {
    const ParameterMenuState m = menuState(session_.parameterSpace);
    actions_[psw::certify]->setChecked(session_.parameterSpace.certify);
    const int modes[] = {psw::autoMode, psw::manualMode, psw::artMode};
    for (int i = 0; i < 3; ++i) {
        actions_[modes[i]]->setEnabled(m.modeItemsEnabled);
        actions_[modes[i]]->setChecked(m.checkedMode == i);
    }
    const int pathItems[] = {psw::newPath,    psw::selectFromAuto, psw::startTracing, psw::addVertex,
                             psw::moveVertex, psw::deleteVertex,   psw::lineToArc,    psw::arcToLine};
    for (int id : pathItems) actions_[id]->setEnabled(m.pathItemsEnabled);
    actions_[psw::newPath]->setChecked(m.newPathChecked);
    actions_[psw::selectFromAuto]->setChecked(m.selectFromAutoChecked);
    for (int16_t tool = toolAddVertex; tool <= toolArcToLine; ++tool)
        actions_[toolCommand(tool)]->setChecked(m.checkedTool == tool);
    actions_[psw::traceAllLoops]->setEnabled(session_.state.stage >= stageFiber &&
                                             session_.parameterSpace.autoPaths != nullptr);
    buttons_[psw::handButton]->setChecked(m.handPushed);
    buttons_[psw::dotButton]->setChecked(!m.handPushed);
}

void ParameterSpaceWindow::syncTimer() {
    const bool running = session_.parameterSpace.timerRunning;
    if (running && !timer_.isActive())
        timer_.start();
    else if (!running && timer_.isActive())
        timer_.stop();
}

void ParameterSpaceWindow::apply(const TickResult &r) {
    if (r.repaintParameter) plane_->update();
    if (r.repaintSolution) emit solutionChanged();
    syncTimer();
}

void ParameterSpaceWindow::repaintBoth() {
    plane_->update();
    emit solutionChanged();
}

Complex ParameterSpaceWindow::world(QPoint position) const { return view_->toWorld(position.x(), position.y()); }

// ---- commands -------------------------------------------------------------------

void ParameterSpaceWindow::zoomIn() {
    view_->zoomIn();
    // Selecting the tool again restores the buttons' pushed states.
    if (session_.parameterSpace.handTool)
        selectHandTool();
    else
        selectDotTool();
    plane_->update();
}

void ParameterSpaceWindow::zoomOut() {
    view_->zoomOut();
    if (session_.parameterSpace.handTool)
        selectHandTool();
    else
        selectDotTool();
    plane_->update();
}

void ParameterSpaceWindow::panUp() {
    view_->panUp();
    plane_->update();
}

void ParameterSpaceWindow::panDown() {
    view_->panDown();
    plane_->update();
}

void ParameterSpaceWindow::panLeft() {
    view_->panLeft();
    plane_->update();
}

void ParameterSpaceWindow::panRight() {
    view_->panRight();
    plane_->update();
}

void ParameterSpaceWindow::defaultSize() {
    view_->defaultSize();
    plane_->update();
}

namespace {

// What "Display all" fits: the loci, the marker, the loops on show (an arc
// by the square round its circle) and the path the traces followed.
std::vector<Complex> shownPoints(const Session &session) {
    const ParameterSpaceState &ps = session.parameterSpace;
    std::vector<Complex> points;
    std::vector<Term *> loci;
    recordsByPosition(ps.branchLociCopy.get(), loci);
    for (const Term *t : loci) points.push_back(t->coef);
    if (ps.markerShown) points.push_back(ps.markerPoint);
    const PathSegment *loops = ps.pathDisplay == pathDisplayAuto       ? ps.autoPaths
                               : ps.pathDisplay == pathDisplaySelected ? ps.selectedPath
                                                                       : nullptr;
    for (const PathSegment *s = loops; s; s = s->next) {
        points.push_back(segmentStart(s));
        points.push_back(segmentEnd(s));
        if (s->isArc) {
            const Complex c(s->centreRe, s->centreIm);
            points.push_back(c + Complex(s->radius, s->radius));
            points.push_back(c - Complex(s->radius, s->radius));
        }
        if (ps.pathDisplay == pathDisplaySelected && s->role == roleLast) break;
    }
    for (const TraceRecord *r = session.traces.parameterTrace; r; r = r->next) points.push_back(r->value);
    return points;
}

}  // namespace

void ParameterSpaceWindow::displayAll() {
    view_->displayAll(shownPoints(session_));
    view_->fittedRequest = session_.parameterSpace.fitRequest;
    plane_->update();
}

void ParameterSpaceWindow::selectHandTool() {
    quorvel::selectHandTool(session_.parameterSpace);
    showMenuState();
    plane_->update();
}

void ParameterSpaceWindow::selectDotTool() {
    quorvel::selectDotTool(session_.parameterSpace);
    showMenuState();
    plane_->update();
}

void ParameterSpaceWindow::autoMode() {
    const bool accepted = enterAutoMode(session_.parameterSpace);
    showMenuState();
    if (accepted) plane_->update();
}

void ParameterSpaceWindow::manualMode() {
    const bool accepted = enterManualMode(session_.parameterSpace);
    showMenuState();
    if (accepted) plane_->update();
}

void ParameterSpaceWindow::artMode() {
    enterArtMode(session_.parameterSpace);
    showMenuState();
    plane_->update();
}

void ParameterSpaceWindow::newPath() {
    toggleNewPath(session_.parameterSpace);
    showMenuState();
}

void ParameterSpaceWindow::selectPathFromAuto() {
    const bool repaint = toggleSelectFromAuto(session_.parameterSpace);
    showMenuState();
    if (repaint) plane_->update();
}

void ParameterSpaceWindow::startTracing() {
    startTracingCommand(session_);
    syncTimer();
}

void ParameterSpaceWindow::selectTool(int16_t tool) {
    selectEditTool(session_.parameterSpace, tool);
    showMenuState();
}

void ParameterSpaceWindow::clearPath() {
    mouse_.forget();
    clearUserPath(session_);
    showMenuState();
    syncTimer();
    plane_->update();
}

void ParameterSpaceWindow::saveFile() {
    const QString path = chooseFile_(FileAction::Save, QString::fromStdString(session_.state.documentName));
    FileWrite how;
    if (path.isEmpty() || !askHowToWrite(this, path, how)) return;
    saveDocumentWithTraces(session_, path.toStdString(), how);
}

void ParameterSpaceWindow::loadFromFile() {
    const QString path = chooseFile_(FileAction::Open, QString::fromStdString(session_.state.documentName));
    if (path.isEmpty()) return;
    mouse_.forget();
    closeRunResults();
    DialogLoadQuestions questions(this);
    const LoadOutcome outcome = loadTracesReporting(session_, path.toStdString(), questions);
    showMenuState();
    syncTimer();
    repaintBoth();
    if (outcome.anotherPolynomial) emit formChanged();
    tellUnloaded(this, path, outcome.notices);
}

void ParameterSpaceWindow::savePicture() {
    const QString path = choosePicture_(QStringLiteral("parameter-space.png"));
    FileWrite how;
    if (!path.isEmpty() && askHowToWrite(this, path, how)) savePictureTo(path, how);
}

bool ParameterSpaceWindow::savePictureTo(const QString &path, const FileWrite &how) {
    const PixelRect &r = view_->planeRect;
    return writeWidgetPicture(plane_, path, QRect(r.left, r.top, r.width(), r.height()), how);
}

void ParameterSpaceWindow::tick() {
    // "Trace all loops" drives the tracer itself, faster than this timer.
    if (allLoopsRunning()) return;
    const TickResult r = timerTick(session_);
    apply(r);
    showPendingErrors();
    if (r.loopFinished && session_.parameterSpace.certify) startCertifying();
}

void ParameterSpaceWindow::runCommand(void (ParameterSpaceWindow::*slot)()) {
    (this->*slot)();
    showPendingErrors();
}

// ---- certify -----------------------------------------------------------------------

void ParameterSpaceWindow::toggleCertify() {
    session_.parameterSpace.certify = !session_.parameterSpace.certify;
    actions_[psw::certify]->setChecked(session_.parameterSpace.certify);
}

void ParameterSpaceWindow::startCertifying() {
    if (session_.traces.tracingState != tracingFinished || !session_.run.traceFinished) return;
    startCertification(session_);
    if (!certifyPanel_) {
        certifyPanel_ = new QWidget(plane_);
        certifyPanel_->setObjectName(QStringLiteral("certifyPanel"));
        certifyPanel_->setAutoFillBackground(true);
        auto *row = new QHBoxLayout(certifyPanel_);
        row->setContentsMargins(4, 2, 4, 2);
        certifyProgress_ = new QProgressBar(certifyPanel_);
        certifyProgress_->setObjectName(QStringLiteral("certifyProgress"));
        certifyProgress_->setRange(0, 1000);
        certifyProgress_->setFormat(QStringLiteral("certifying %p%"));
        row->addWidget(certifyProgress_);
        auto *cancel = new QPushButton(QStringLiteral("Cancel"), certifyPanel_);
        cancel->setObjectName(QStringLiteral("certifyCancel"));
        row->addWidget(cancel);
        connect(cancel, &QPushButton::clicked, this, &ParameterSpaceWindow::cancelCertifying);
        certifyPanel_->setGeometry(4, stripHeight + 4, 300, certifyPanel_->sizeHint().height());
    }
    certifyProgress_->setValue(0);
    certifyPanel_->show();
    certifyPanel_->raise();
    certifyTimer_.start();
}

bool ParameterSpaceWindow::certifyTick() {
    QElapsedTimer spent;
    spent.start();
    bool more = true;
    while (more && spent.elapsed() < allLoopsBudgetMs) more = certificationTick(session_, 8);
    certifyProgress_->setValue(static_cast<int>(1000.0 * certificationProgress(session_)));
    if (more) return true;
    certifyTimer_.stop();
    certifyPanel_->hide();
    emit solutionChanged();
    return false;
}

void ParameterSpaceWindow::cancelCertifying() {
    cancelCertification(session_);
    certifyTimer_.stop();
    if (certifyPanel_) certifyPanel_->hide();
    emit solutionChanged();
}

// ---- trace all loops ---------------------------------------------------------------

bool ParameterSpaceWindow::allLoopsRunning() const { return allLoops_ && allLoops_->running(); }

void ParameterSpaceWindow::traceAllLoops() {
    if (allLoopsRunning()) return;
    session_.stopTimer();
    syncTimer();
    allLoops_ = std::make_unique<AllLoopsRun>();
    // The item is offered only when there are loops (showMenuState).
    if (!allLoops_->start(session_)) {
        allLoops_.reset();
        return;
    }
    if (!allLoopsPanel_) {
        // Below the top strip, so the tool buttons stay usable: the
        // progress and a Cancel button.
        allLoopsPanel_ = new QWidget(plane_);
        allLoopsPanel_->setObjectName(QStringLiteral("allLoopsPanel"));
        allLoopsPanel_->setAutoFillBackground(true);
        auto *row = new QHBoxLayout(allLoopsPanel_);
        row->setContentsMargins(4, 2, 4, 2);
        allLoopsProgress_ = new QProgressBar(allLoopsPanel_);
        allLoopsProgress_->setObjectName(QStringLiteral("allLoopsProgress"));
        allLoopsProgress_->setFormat(QStringLiteral("loop %v of %m"));
        row->addWidget(allLoopsProgress_);
        auto *cancel = new QPushButton(QStringLiteral("Cancel"), allLoopsPanel_);
        cancel->setObjectName(QStringLiteral("allLoopsCancel"));
        row->addWidget(cancel);
        connect(cancel, &QPushButton::clicked, this, &ParameterSpaceWindow::cancelAllLoops);
        allLoopsPanel_->setGeometry(4, stripHeight + 4, 300, allLoopsPanel_->sizeHint().height());
    }
    allLoopsProgress_->setRange(0, allLoops_->loopCount());
    allLoopsProgress_->setValue(0);
    allLoopsPanel_->show();
    allLoopsPanel_->raise();
    allLoopsTimer_.start();
    plane_->update();
}

void ParameterSpaceWindow::cancelAllLoops() {
    if (!allLoopsRunning()) return;
    allLoops_->cancel(session_);
    allLoopsTimer_.stop();
    allLoopsPanel_->hide();
    syncTimer();
    repaintBoth();
}

bool ParameterSpaceWindow::allLoopsTick() {
    if (!allLoops_ || !allLoops_->running()) return false;
    QElapsedTimer spent;
    spent.start();
    bool more = true;
    while (more && spent.elapsed() < allLoopsBudgetMs) more = allLoops_->advance(session_, 1);
    showPendingErrors();
    allLoopsProgress_->setValue(allLoops_->loopsDone());
    plane_->update();
    emit solutionChanged();
    if (more) return true;
    allLoopsTimer_.stop();
    allLoopsPanel_->hide();
    syncTimer();
    // Stopped because its loops were given up: nothing of it is shown.
    if (allLoops_->cancelled()) return false;
    delete groupDialog_;
    groupDialog_ = new MonodromyGroupDialog(session_, *allLoops_, this);
    groupDialog_->show();
    return false;
}

// ---- the popup -----------------------------------------------------------------

QMenu *ParameterSpaceWindow::createPopup() {
    const ParameterSpaceState &ps = session_.parameterSpace;
    showMenuState();
    auto *menu = new QMenu(this);
    for (const CommandText &item : navigationPopupTexts)
        menu->addAction(popupActions_.count(item.id) ? popupActions_[item.id] : actions_[item.id]);
    if (ps.handTool) return menu;
    menu->addSeparator();
    menu->addAction(actions_[psw::autoMode]);
    menu->addAction(actions_[psw::manualMode]);
    menu->addAction(actions_[psw::artMode]);
    menu->addSeparator();
    if (ps.viewMode != modeArt) {
        menu->addAction(popupActions_[psw::saveFile]);
        menu->addSeparator();
    }
    menu->addAction(popupActions_[psw::loadFromFile]);
    if (ps.viewMode == modeManual) menu->addAction(popupActions_[psw::clearPath]);
    return menu;
}

void ParameterSpaceWindow::showPopup(QPoint globalPosition) {
    std::unique_ptr<QMenu> menu(createPopup());
    menu->exec(globalPosition);
}

// ---- painting ------------------------------------------------------------------

void ParameterSpaceWindow::paintClient(QPainter &painter) {
    // A new curve, base point or traces: the plane fits them first.
    if (view_->fittedRequest != session_.parameterSpace.fitRequest) {
        view_->displayAll(shownPoints(session_));
        view_->fittedRequest = session_.parameterSpace.fitRequest;
    }
    const ParameterSpaceState &ps = session_.parameterSpace;
    const PixelRect &r = view_->planeRect;
    if (drawingPicture()) {
        // A picture: the plane drawn straight onto it, antialiased.
        painter.fillRect(plane_->rect(), Qt::white);
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setClipRect(QRect(r.left, r.top, r.width(), r.height()));
        renderer_.paintPlane(painter, *view_, ps, session_.traces.parameterTrace, session_.state.degenerateLoci.get());
        paintPictureReadOuts(painter, *view_);
        painter.restore();
        return;
    }
    fitCanvas(canvas_, plane_->size(), plane_->devicePixelRatioF());
    {
        QPainter canvasPainter(&canvas_);
        renderer_.paintPlane(canvasPainter, *view_, session_.parameterSpace, session_.traces.parameterTrace,
                             session_.state.degenerateLoci.get());
    }
    painter.fillRect(plane_->rect(), Qt::white);
    copyCanvas(painter, canvas_, QRect(r.left, stripHeight, r.right - r.left, r.bottom - stripHeight));
    renderer_.paintStrips(painter, *view_, session_.state, PointedLocus{ps.pointedLocus, ps.pointedLocusShown != 0});
}

QString ParameterSpaceWindow::tipAt(QPoint position) const {
    if (infinityIconRect(*view_).contains(position.x(), position.y()))
        return QStringLiteral("Trace the loop round all loci");
    ReplayIcon icon;
    if (!replayIconAt(*view_, position.x(), position.y(), icon)) return {};
    switch (icon) {
    case ReplayIcon::Save: return QStringLiteral("Save file, with the traces");
    case ReplayIcon::GoToStart: return QStringLiteral("Replay: go to the start");
    case ReplayIcon::Play: return QStringLiteral("Replay the traces");
    case ReplayIcon::Pause: return QStringLiteral("Replay: pause; again, one step on");
    case ReplayIcon::GoToEnd: return QStringLiteral("Replay: go to the end");
    }
    return {};
}

void ParameterSpaceWindow::clientResized(QSize size) {
    view_->resize(size.width(), size.height());
    plane_->update();
}

// ---- the mouse -----------------------------------------------------------------

void ParameterSpaceWindow::carryOut(const MouseAnswer &a) {
    if (a.menusChanged) showMenuState();
    apply(a.tick);
    // A free-hand loop closed by the second click is proven like any other.
    if (a.tick.loopFinished && session_.parameterSpace.certify) startCertifying();
    if (a.saveRequested) saveFile();
}

void ParameterSpaceWindow::mousePressed(QPoint position) {
    carryOut(mouse_.press(session_, *view_, position.x(), position.y()));
}

void ParameterSpaceWindow::mouseMoved(QPoint position) {
    carryOut(mouse_.move(session_, *view_, position.x(), position.y()));
}

void ParameterSpaceWindow::mouseReleased(QPoint position) {
    carryOut(mouse_.release(session_, *view_, position.x(), position.y()));
}

// ---- closing -------------------------------------------------------------------

void ParameterSpaceWindow::closeEvent(QCloseEvent *event) {
    // Timer 1 dies with the window: the run or the replay stops with it, so
    // the state never claims a timer that no window drives.
    session_.stopTimer();
    timer_.stop();
    mouse_.forget();
    session_.state.parameterViewOpen = 0;
    QWidget::closeEvent(event);
}

// ---- wiring ---------------------------------------------------------------------

void installParameterSpaceWindow(PlaneWindows &windows, Session &session) {
    auto view = std::make_shared<PlaneView>();
    PlaneWindows *all = &windows;
    windows.setParameterSpaceFactory([&session, view, all]() -> QWidget * {
        auto *window = new ParameterSpaceWindow(session, view);
        QObject::connect(window, &ParameterSpaceWindow::solutionChanged, window, [all] {
            if (QWidget *solution = all->run()) solution->update();
        });
        QObject::connect(window, &ParameterSpaceWindow::formChanged, all, &PlaneWindows::formChanged);
        return window;
    });
}

}  // namespace quorvel
