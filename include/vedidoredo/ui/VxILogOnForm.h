// The logon dialog that VxInAskLogon shows in a desktop application: a user name and a
// password, OK and Cancel. It is laid out in fixed pixel positions and does not resize.
#pragma once

#include <vedidoredo/VxGlobal.h>

#include <QDialog>
#include <QPixmap>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

class VX_WIDGETS_EXPORT TfrmVxILogon : public QDialog {
    Q_OBJECT
public:
    explicit TfrmVxILogon(QWidget* Parent = nullptr);
    ~TfrmVxILogon() override;

    // The controls, each with its name as objectName.
    QLabel* lblLogin;
    QLabel* lblPassword;
    QLineEdit* edLogin;
    QLineEdit* edPassword;
    QFrame* bvlButtons;
    QPushButton* btnOk;
    QPushButton* btnCancel;
    QLabel* imgKey;

    // The 24 by 24 key picture of imgKey.
    static QPixmap KeyPicture();
};
