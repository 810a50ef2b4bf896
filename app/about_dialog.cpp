#include "app/about_dialog.h"

#include <QLabel>
#include <QPushButton>

#include "app/app_icon.h"
#include "views/dialogs/dialog_units.h"

namespace quorvel {

QString programVersion() { return QStringLiteral(QUORVEL_VERSION); }

AboutDialog::AboutDialog(QWidget *parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Quorvelのﾊﾞｰｼﾞｮﾝ情報"));
    const DialogUnits u = prepareDialog(*this, 12, 196, 70);

    auto *icon = new QLabel(this);
    const QRect iconBox = u.rect(11, 17, 20, 20);
    icon->setPixmap(appIcon().pixmap(iconBox.size()));
    icon->setGeometry(iconBox);
    addLabel(this, u, QStringLiteral("Quorvel Version %1").arg(programVersion()), 40, 10, 94, 8);
    addLabel(this, u, QStringLiteral("Plane algebraic curves studied by monodromy"), 40, 26, 94, 36);
    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("button1"));
    ok->setDefault(true);
    place(ok, u, 139, 7, 50, 14);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace quorvel
