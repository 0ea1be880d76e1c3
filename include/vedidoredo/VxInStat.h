// The transfer status window: four steps with a picture each, the remote and local file,
// a status line, a progress bar and a Cancel button. The web components create it
// through the CreateStatusWindow user-interface hook while StatusDialog.Enabled is set.
#pragma once

#include <vedidoredo/VxGlobal.h>
#include <vedidoredo/platform/VxUiHooks.h>

#include <QDialog>
#include <QList>
#include <QPixmap>
#include <memory>

class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;

class VX_WIDGETS_EXPORT TfrmVxInetUpdate : public QDialog {
    Q_OBJECT
public:
    explicit TfrmVxInetUpdate(QWidget* Parent = nullptr);
    ~TfrmVxInetUpdate() override;

    QFrame* pnlDescription;
    QLabel* lblCaption;
    QLabel* imgBackground;
    QLabel* imgDescription;
    QLabel* lblDescription;
    QLabel* imgLogo;
    QPushButton* btnCancel;
    QLabel* lblStep1;
    QLabel* lblStep2;
    QLabel* lblStep3;
    QLabel* lblStep4;
    // The six step pictures, 16 x 16: 0 running, 1 warning, 2 connected (joined chain),
    // 3 compared (globe with magnifier), 4 downloaded (globe with arrows),
    // 5 disconnected (broken chain).
    QList<QPixmap> imgStatus;
    QLabel* imgStep1;
    QLabel* imgStep2;
    QLabel* imgStep3;
    QLabel* imgStep4;
    QLabel* lblRemote;
    QLabel* lblLocal;
    QLabel* lblLocalFileName;
    QLabel* lblRemoteFileName;
    QProgressBar* pbStatus;
    QLabel* lblStatus;

    // Set by the Cancel button; the running transfer reads it at its next block.
    bool IsCanceled = false;

    // The label of step 1..4, nullptr otherwise.
    QLabel* StepImage(int Step) const;

protected:
    void closeEvent(QCloseEvent* Event) override;
    void reject() override;
};

// Draws picture Index (0..5) of the step images.
VX_WIDGETS_EXPORT QPixmap VxDrawStepImage(int Index);

// The window as the web components drive it: the CreateStatusWindow hook that
// VxInstallWidgetsHooks() installs. nullptr outside the thread of a QApplication.
VX_WIDGETS_EXPORT std::unique_ptr<TVxStatusWindow> VxCreateInetStatusWindow(QObject* Component);
