// The root finder's progress shown in the main window's two bars. Every
// change repaints the bar at once: the computation runs on the window
// thread, so no event would paint it before the search ends.
#pragma once

#include "engine/roots.h"

class QProgressBar;

namespace quorvel {

class ProgressBars : public RootProgress {
public:
    ProgressBars(QProgressBar *difference, QProgressBar *iteration)
        : difference_(difference), iteration_(iteration) {}

    void setRange(int bar, int low, int high) override;
    // The bars are only ever set to positions, so the step is not used.
    void setStep(int bar, int step) override;
    void setPosition(int bar, int position) override;

private:
    QProgressBar *barFor(int bar) const;

    QProgressBar *difference_;
    QProgressBar *iteration_;
};

}  // namespace quorvel
