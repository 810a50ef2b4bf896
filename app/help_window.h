// The program's help: its HTML pages, built into the program, in a window
// of their own that stays open beside the others.
#pragma once

#include <QUrl>
#include <QWidget>

class QTextBrowser;

namespace quorvel {

// The first topic of the help.
QUrl helpHome();

class HelpWindow : public QWidget {
    Q_OBJECT

public:
    explicit HelpWindow(QWidget *parent = nullptr);

    // Shows the first topic and brings the window to the front.
    void showHome();
    QTextBrowser *browser() const { return browser_; }

private:
    QTextBrowser *browser_;
};

}  // namespace quorvel
