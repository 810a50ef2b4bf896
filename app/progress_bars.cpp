#include "app/progress_bars.h"

#include <QProgressBar>
#include <algorithm>

namespace quorvel {

QProgressBar *ProgressBars::barFor(int bar) const {
    if (bar == differenceBar) return difference_;
    if (bar == iterationBar) return iteration_;
    return nullptr;
}

void ProgressBars::setRange(int bar, int low, int high) {
    if (QProgressBar *b = barFor(bar)) b->setRange(low, high);
}

void ProgressBars::setStep(int, int) {}

void ProgressBars::setPosition(int bar, int position) {
    QProgressBar *b = barFor(bar);
    if (!b) return;
    b->setValue(std::clamp(position, b->minimum(), b->maximum()));
    if (b->isVisible()) b->repaint();
}

}  // namespace quorvel
