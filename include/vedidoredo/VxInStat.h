/// \file
/// The transfer status window: four steps with a picture each, the remote and local file,
/// a status line, a progress bar and a Cancel button. The web components create it
/// through the CreateStatusWindow user-interface hook while StatusDialog.Enabled is set.
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

/// The transfer status window: the steps with their pictures, the files, a progress bar and Cancel.
class VX_WIDGETS_EXPORT TfrmVxInetUpdate : public QDialog {
    Q_OBJECT
public:
    /// Makes the window, hidden.
    explicit TfrmVxInetUpdate(QWidget* Parent = nullptr);
    /// Frees the object and everything it owns.
    ~TfrmVxInetUpdate() override;

    /// The panel of the description line.
    QFrame* pnlDescription;
    /// The title line.
    QLabel* lblCaption;
    /// The tall picture at the left.
    QLabel* imgBackground;
    /// The icon beside the description.
    QLabel* imgDescription;
    /// The description line.
    QLabel* lblDescription;
    /// The window's icon.
    QLabel* imgLogo;
    /// The Cancel button.
    QPushButton* btnCancel;
    /// The connection step's text.
    QLabel* lblStep1;
    /// The file search step's text.
    QLabel* lblStep2;
    /// The download step's text.
    QLabel* lblStep3;
    /// The disconnection step's text.
    QLabel* lblStep4;
    /// The six step pictures, 16 x 16: 0 running, 1 warning, 2 connected (joined chain),
    /// 3 compared (globe with magnifier), 4 downloaded (globe with arrows),
    /// 5 disconnected (broken chain).
    QList<QPixmap> imgStatus;
    /// The connection step's picture.
    QLabel* imgStep1;
    /// The file search step's picture.
    QLabel* imgStep2;
    /// The download step's picture.
    QLabel* imgStep3;
    /// The disconnection step's picture.
    QLabel* imgStep4;
    /// The label of the remote file.
    QLabel* lblRemote;
    /// The label of the local file.
    QLabel* lblLocal;
    /// The local file's name.
    QLabel* lblLocalFileName;
    /// The remote file's name.
    QLabel* lblRemoteFileName;
    /// The progress bar.
    QProgressBar* pbStatus;
    /// The status line.
    QLabel* lblStatus;

    /// Set by the Cancel button; the running transfer reads it at its next block.
    bool IsCanceled = false;

    /// The label of step 1..4, nullptr otherwise.
    QLabel* StepImage(int Step) const;

protected:
    /// Closing the window presses Cancel.
    void closeEvent(QCloseEvent* Event) override;
    /// Escape presses Cancel.
    void reject() override;
};

/// Draws picture Index (0..5) of the step images.
VX_WIDGETS_EXPORT QPixmap VxDrawStepImage(int Index);

/// The window as the web components drive it: the CreateStatusWindow hook that
/// VxInstallWidgetsHooks() installs. nullptr outside the thread of a QApplication.
VX_WIDGETS_EXPORT std::unique_ptr<TVxStatusWindow> VxCreateInetStatusWindow(QObject* Component);
