#include "app/help_window.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "views/dialogs/dialog_units.h"

namespace quorvel {

QUrl helpHome() { return QUrl(QStringLiteral("qrc:/help/index.html")); }

HelpWindow::HelpWindow(QWidget *parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(QStringLiteral("Quorvel Help"));
    setFont(dialogFont(10));
    browser_ = new QTextBrowser(this);
    browser_->setOpenExternalLinks(true);

    auto *contents = new QPushButton(QStringLiteral("Contents"), this);
    auto *back = new QPushButton(QStringLiteral("Back"), this);
    auto *forward = new QPushButton(QStringLiteral("Forward"), this);
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(contents, &QPushButton::clicked, this, &HelpWindow::showHome);
    connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward, &QPushButton::clicked, browser_, &QTextBrowser::forward);
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward, &QPushButton::setEnabled);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(contents);
    buttons->addWidget(back);
    buttons->addWidget(forward);
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(browser_);
    resize(640, 560);
}

void HelpWindow::showHome() {
    browser_->setSource(helpHome());
    show();
    raise();
    activateWindow();
}

}  // namespace quorvel
