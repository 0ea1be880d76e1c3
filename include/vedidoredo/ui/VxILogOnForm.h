/// \file
/// The logon dialog that VxInAskLogon shows in a desktop application: a user name and a
/// password, OK and Cancel. It is laid out in fixed pixel positions and does not resize.
#pragma once

#include <vedidoredo/VxGlobal.h>

#include <QDialog>
#include <QPixmap>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

/// The logon dialog: a user name and a password, OK and Cancel.
class VX_WIDGETS_EXPORT TfrmVxILogon : public QDialog {
    Q_OBJECT
public:
    /// Makes the dialog.
    explicit TfrmVxILogon(QWidget* Parent = nullptr);
    /// Frees the object and everything it owns.
    ~TfrmVxILogon() override;

    /// The controls, each with its name as objectName.
    QLabel* lblLogin;
    /// The password's label.
    QLabel* lblPassword;
    /// The user name.
    QLineEdit* edLogin;
    /// The password, hidden as typed.
    QLineEdit* edPassword;
    /// The line above the buttons.
    QFrame* bvlButtons;
    /// The OK button.
    QPushButton* btnOk;
    /// The Cancel button.
    QPushButton* btnCancel;
    /// The key picture.
    QLabel* imgKey;

    /// The 24 by 24 key picture of imgKey.
    static QPixmap KeyPicture();
};
