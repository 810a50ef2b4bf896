#include "views/tool_buttons.h"

#include <QToolButton>
#include <algorithm>

#include "app/dialog_units.h"
#include "views/parameter_space_icons.h"
#include "views/plane_commands.h"

namespace quorvel {

std::map<int, QToolButton *> addToolButtons(QWidget *strip, const DialogUnits &units,
                                            const std::function<void(int id)> &clicked) {
    const struct {
        int id;
        ToolPicture picture;
        int x;  // dialog units
        bool pushable;
    } buttons[] = {
        {psw::zoomInButton, ToolPicture::ZoomIn, 0, false},
        {psw::zoomOutButton, ToolPicture::ZoomOut, 17, false},
        {psw::handButton, ToolPicture::Hand, 34, true},
        {psw::dotButton, ToolPicture::Dot, 51, true},
    };
    std::map<int, QToolButton *> made;
    int right = 0;
    for (const auto &b : buttons) {
        auto *button = new QToolButton(strip);
        button->setObjectName(QStringLiteral("button%1").arg(b.id));
        button->setIcon(toolIcon(b.picture));
        button->setIconSize(QSize(iconSize, iconSize));
        button->setCheckable(b.pushable);
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

}  // namespace quorvel
