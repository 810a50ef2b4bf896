#include "views/windows/tool_buttons.h"

#include <QAction>
#include <QToolButton>
#include <QWidget>
#include <algorithm>

#include "views/dialogs/dialog_units.h"
#include "views/windows/parameter_space_icons.h"
#include "views/headless/plane_commands.h"

namespace quorvel {

std::map<int, QToolButton *> addToolButtons(QWidget *strip, const DialogUnits &units,
                                            const std::function<void(int id)> &clicked) {
    const struct {
        int id;
        ToolPicture picture;
        int x;  // dialog units
        bool pushable;
        const char *tip;
    } buttons[] = {
        {psw::zoomInButton, ToolPicture::ZoomIn, 0, false, "Zoom in (Ctrl+U)"},
        {psw::zoomOutButton, ToolPicture::ZoomOut, 17, false, "Zoom out (Ctrl+O)"},
        {psw::handButton, ToolPicture::Hand, 34, true, "Hand: drag the plane"},
        {psw::dotButton, ToolPicture::Dot, 51, true, "Dot: click in the plane"},
    };
    std::map<int, QToolButton *> made;
    int right = 0;
    for (const auto &b : buttons) {
        auto *button = new QToolButton(strip);
        button->setObjectName(QStringLiteral("button%1").arg(b.id));
        button->setIcon(toolIcon(b.picture));
        button->setIconSize(QSize(iconSize, iconSize));
        button->setCheckable(b.pushable);
        button->setToolTip(QString::fromUtf8(b.tip));
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        const int x = std::max(units.x(b.x), right);
        button->setGeometry(x, 0, iconSize, iconSize);
        right = x + iconSize;
        const int id = b.id;
        QObject::connect(button, &QToolButton::clicked, strip, [clicked, id] { clicked(id); });
        made[b.id] = button;
    }
    return made;
}

QKeySequence commandShortcut(int id) {
    switch (id) {
    case psw::zoomIn: return QKeySequence(Qt::CTRL | Qt::Key_U);
    case psw::zoomOut: return QKeySequence(Qt::CTRL | Qt::Key_O);
    case psw::up: return QKeySequence(Qt::CTRL | Qt::Key_I);
    case psw::down: return QKeySequence(Qt::CTRL | Qt::Key_K);
    case psw::left: return QKeySequence(Qt::CTRL | Qt::Key_J);
    case psw::right: return QKeySequence(Qt::CTRL | Qt::Key_L);
    case psw::traceMode: return QKeySequence(Qt::CTRL | Qt::Key_T);
    case psw::nameOn: return QKeySequence(Qt::CTRL | Qt::Key_N);
    default: return {};
    }
}

void addCommandShortcut(QWidget *window, QAction *action, int id) {
    const QKeySequence key = commandShortcut(id);
    if (key.isEmpty()) return;
    // The menu text already names the key after its tab.
    action->setShortcut(key);
    action->setShortcutContext(Qt::WindowShortcut);
    window->addAction(action);
}

}  // namespace quorvel
