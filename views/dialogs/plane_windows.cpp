#include "views/dialogs/plane_windows.h"

#include <QEvent>
#include <QRect>

#include "views/dialogs/dialog_units.h"
#include "pipeline/curve_state.h"

namespace quorvel {

namespace {

constexpr int windowGap = 8;

}  // namespace

namespace {

// A plain window of the plane windows' size, titled like the real one.
PlaneWindows::Factory plainWindow(const char *title) {
    return [title]() {
        auto *window = new QWidget(nullptr, Qt::Window);
        window->setWindowTitle(QString::fromLatin1(title));
        window->setFont(dialogFont(9));
        window->resize(DialogUnits(window->font()).size(265, 265));
        return window;
    };
}

}  // namespace

PlaneWindows::PlaneWindows(CurveState &state, QObject *parent)
    : QObject(parent),
      state_(state),
      parameterFactory_(plainWindow("Parameter Space")),
      solutionFactory_(plainWindow("Solution Space")) {}

PlaneWindows::~PlaneWindows() {
    closing_ = true;
    delete parameter_;
    delete solution_;
    state_.parameterViewOpen = 0;
    state_.solutionViewOpen = 0;
}

void PlaneWindows::setFactories(Factory parameterSpace, Factory run) {
    parameterFactory_ = std::move(parameterSpace);
    solutionFactory_ = std::move(run);
}

void PlaneWindows::setParameterSpaceFactory(Factory parameterSpace) {
    parameterFactory_ = std::move(parameterSpace);
}

void PlaneWindows::setSolutionSpaceFactory(Factory run) {
    solutionFactory_ = std::move(run);
}

QWidget *PlaneWindows::make(const Factory &factory) {
    QWidget *window = factory();
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->installEventFilter(this);
    window->show();
    return window;
}

void PlaneWindows::open() {
    if (state_.parameterViewOpen == 0) {
        parameter_ = make(parameterFactory_);
        state_.parameterViewOpen = 1;
    }
    if (state_.solutionViewOpen == 0) {
        solution_ = make(solutionFactory_);
        state_.solutionViewOpen = 1;
        // Side by side: the solution plane to the right of the parameter
        // plane, so neither hides the other.
        if (parameter_) {
            const QRect frame = parameter_->frameGeometry();
            solution_->move(frame.right() + 1 + windowGap, frame.top());
        }
    }
}

bool PlaneWindows::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::Close && (watched == parameter_ || watched == solution_) &&
        !closing_)
        closeBoth();
    return QObject::eventFilter(watched, event);
}

void PlaneWindows::closeBoth() {
    closing_ = true;
    state_.parameterViewOpen = 0;
    state_.solutionViewOpen = 0;
    if (parameter_) parameter_->close();
    if (solution_) solution_->close();
    closing_ = false;
}

}  // namespace quorvel
