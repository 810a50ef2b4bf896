// "Quorvelのﾊﾞｰｼﾞｮﾝ情報": the program's name, version and icon.
#pragma once

#include <QDialog>

namespace quorvel {

// The version the build was configured with.
QString programVersion();

class AboutDialog : public QDialog {
    Q_OBJECT

public:
    explicit AboutDialog(QWidget *parent = nullptr);
};

}  // namespace quorvel
