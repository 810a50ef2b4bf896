// Go's progress in the main window's two bars: "number of iteration" counts
// the stages finished, "- log (difference)" fills once the loci and the
// fiber are certified. Every change repaints the bar at once: Go runs on the
// window thread, so no event would paint it before Go ends.
#pragma once

#include "pipeline/session.h"

class QProgressBar;

namespace quorvel {

class ProgressBars : public GoProgress {
public:
    ProgressBars(QProgressBar *difference, QProgressBar *iteration)
        : difference_(difference), iteration_(iteration) {}

    void reached(int done) override;

private:
    QProgressBar *difference_;
    QProgressBar *iteration_;
};

}  // namespace quorvel
