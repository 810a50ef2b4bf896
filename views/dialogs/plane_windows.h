// The two plane windows, "Parameter Space" and "Solution Space": opened
// together by the main window, each at most once, and closed together when
// the user closes either of them. Their open flags live in CurveState.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>

namespace quorvel {

struct CurveState;

class PlaneWindows : public QObject {
    Q_OBJECT

public:
    // Builds one plane window (top-level, deleted when it closes).
    using Factory = std::function<QWidget *()>;

    explicit PlaneWindows(CurveState &state, QObject *parent = nullptr);
    ~PlaneWindows() override;

    // Replaces the makers of the two windows (plain titled windows until
    // then).
    void setFactories(Factory parameterSpace, Factory run);
    // Replaces the maker of the "Parameter Space" window only.
    void setParameterSpaceFactory(Factory parameterSpace);
    // Replaces the maker of the "Solution Space" window only.
    void setSolutionSpaceFactory(Factory run);

    // "Display parameter space": creates whichever window does not exist.
    void open();

    QWidget *parameterSpace() const { return parameter_; }
    QWidget *run() const { return solution_; }

signals:
    // A plane window changed the main form's fields (a load replaced the
    // curve); the main window shows them again.
    void formChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *make(const Factory &factory);
    void closeBoth();

    CurveState &state_;
    Factory parameterFactory_;
    Factory solutionFactory_;
    QPointer<QWidget> parameter_;
    QPointer<QWidget> solution_;
    bool closing_ = false;
};

}  // namespace quorvel
