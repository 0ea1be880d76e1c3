// The status window under the offscreen platform: its controls, the steps and progress
// it shows during a real download, and its Cancel button.
#include "support/qstring_print.h"
#include "support/test_files.h"
#include "support/widgets_app.h"

#include <vedidoredo/VxInCnst.h>
#include <vedidoredo/VxInStat.h>
#include <vedidoredo/VxWidgets.h>
#include <vedidoredo/vxiupdate.h>

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TfrmVxInetUpdate* OpenWindow()
{
    for (QWidget* W : QApplication::topLevelWidgets())
        if (auto* F = qobject_cast<TfrmVxInetUpdate*>(W))
            return F;
    return nullptr;
}

bool Shows(QLabel* L, const QPixmap& P)
{
    return !L->pixmap().isNull() && L->pixmap().toImage() == P.toImage();
}

struct HookScope {
    TVxUiHooks Saved = VxUiHooks();
    HookScope() { VxInstallWidgetsHooks(); }
    ~HookScope() { VxSetUiHooks(Saved); }
};

}  // namespace

TEST(StatusWindow, HasTheControlsTextsAndPlaces)
{
    ASSERT_TRUE(WidgetsApp());
    TfrmVxInetUpdate F;
    EXPECT_EQ(F.windowTitle(), strVxInSoftwareUpdate);
    EXPECT_EQ(F.size(), QSize(491, 286));
    struct Expect {
        const char* Name;
        QRect Geometry;
        const char* Text;
    };
    const Expect All[] = {
        {"pnlDescription", {0, 0, 491, 59}, nullptr},
        {"lblCaption", {16, 5, 300, 13}, nullptr},
        {"imgBackground", {353, 0, 138, 59}, nullptr},
        {"imgDescription", {440, 6, 48, 48}, nullptr},
        {"lblDescription", {32, 20, 360, 38}, nullptr},
        {"imgLogo", {5, 65, 95, 206}, nullptr},
        {"btnCancel", {408, 256, 75, 25}, "&Cancel"},
        {"lblStep1", {200, 122, 150, 13}, "Step 1: Connection/Logon"},
        {"lblStep2", {200, 140, 150, 13}, "Step 2: File search"},
        {"lblStep3", {200, 158, 150, 13}, "Step 3: Download"},
        {"lblStep4", {200, 176, 150, 13}, "Step 4: Disconnect/Logoff"},
        {"imgStep1", {179, 120, 16, 16}, nullptr},
        {"imgStep2", {179, 138, 16, 16}, nullptr},
        {"imgStep3", {179, 156, 16, 16}, nullptr},
        {"imgStep4", {179, 174, 16, 16}, nullptr},
        {"lblRemote", {105, 80, 70, 13}, "Remote file:"},
        {"lblLocal", {105, 96, 70, 13}, "Local file:"},
        {"lblLocalFileName", {185, 96, 300, 13}, nullptr},
        {"lblRemoteFileName", {185, 80, 300, 13}, nullptr},
        {"pbStatus", {130, 214, 337, 10}, nullptr},
        {"lblStatus", {128, 200, 339, 13}, nullptr},
    };
    for (const Expect& E : All) {
        auto* W = F.findChild<QWidget*>(QLatin1String(E.Name));
        ASSERT_TRUE(W) << E.Name;
        EXPECT_EQ(W->geometry(), E.Geometry) << E.Name;
        if (E.Text) {
            const QString Text = qobject_cast<QLabel*>(W) ? qobject_cast<QLabel*>(W)->text()
                                                          : qobject_cast<QPushButton*>(W)->text();
            EXPECT_EQ(Text, QLatin1String(E.Text)) << E.Name;
        }
    }
    EXPECT_EQ(F.pbStatus->maximum(), 100);
    ASSERT_EQ(F.imgStatus.size(), 6);
    // Six different pictures, none of them blank.
    for (int I = 0; I < 6; ++I) {
        EXPECT_EQ(F.imgStatus[I].size(), QSize(16, 16));
        EXPECT_FALSE(F.imgStatus[I].toImage().allGray() && F.imgStatus[I].toImage().pixelColor(8, 8).alpha() == 0);
        for (int J = 0; J < I; ++J)
            EXPECT_NE(F.imgStatus[I].toImage(), F.imgStatus[J].toImage()) << I << " " << J;
    }
    EXPECT_TRUE(F.imgStep1->pixmap().isNull());
    F.btnCancel->click();
    EXPECT_TRUE(F.IsCanceled);
}

TEST(StatusWindow, ShowsAWholeDownloadAndItsCancelStopsIt)
{
    ASSERT_TRUE(WidgetsApp());
    HookScope Hooks;
    QTemporaryDir Dir;
    const QString Remote = Dir.filePath(QStringLiteral("remote.dat"));
    const QString Local = Dir.filePath(QStringLiteral("local.dat"));
    ASSERT_TRUE(WriteFile(Remote, QByteArray(20500, 'w')));
    ASSERT_TRUE(WriteFile(Local, "old"));

    TVxWebUpdater U;
    U.SetService(isNetwork);
    U.SetRemoteFileName(Remote);
    U.SetLocalFileName(Local);
    U.StatusDialog()->SetEnabled(true);
    U.StatusDialog()->SetTitle(QStringLiteral("Product update"));
    U.StatusDialog()->SetDescription(QStringLiteral("The newest version is being fetched."));

    int Calls = 0;
    QList<bool> Aborts;
    U.SetOnProgress([&](QObject*, int, int, bool& Abort) {
        Aborts << Abort;
        if (++Calls != 4)
            return;
        TfrmVxInetUpdate* F = OpenWindow();
        ASSERT_TRUE(F);
        EXPECT_TRUE(F->isVisible());
        EXPECT_EQ(F->lblCaption->text(), QStringLiteral("Product update"));
        EXPECT_EQ(F->lblDescription->text(), QStringLiteral("The newest version is being fetched."));
        EXPECT_EQ(F->lblRemoteFileName->text(), Remote);
        EXPECT_EQ(F->lblLocalFileName->text(), Local);
        EXPECT_EQ(F->lblStatus->text(), QStringLiteral("Downloaded 8200 of 20500 bytes (40%)"));
        EXPECT_EQ(F->pbStatus->maximum(), 20500);
        EXPECT_EQ(F->pbStatus->value(), 8200);
        EXPECT_TRUE(Shows(F->imgStep1, F->imgStatus[2]));  // connected
        EXPECT_TRUE(Shows(F->imgStep2, F->imgStatus[3]));  // compared
        EXPECT_TRUE(Shows(F->imgStep3, F->imgStatus[0]));  // running
        EXPECT_TRUE(F->imgStep4->pixmap().isNull());
        // A picture of the window mid-download, for people to look at.
        F->grab().save(QStringLiteral(VX_BINARY_DIR "/web-status-window.png"));
        F->btnCancel->click();
    });
    EXPECT_FALSE(U.Execute());
    EXPECT_EQ(U.Status(), isFailed);
    EXPECT_EQ(Aborts, QList<bool>({false, false, false, false, true}));
    EXPECT_EQ(ReadFile(Local), QByteArray("old"));
    EXPECT_EQ(OpenWindow(), nullptr);  // freed at the end of the run

    // The next run starts with a fresh window and goes through.
    Calls = 0;
    Aborts.clear();
    TfrmVxInetUpdate* Seen = nullptr;
    U.SetOnProgress([&](QObject*, int, int, bool&) { Seen = OpenWindow(); });
    U.SetOnAfterExecute([&](QObject*) {
        EXPECT_EQ(OpenWindow(), nullptr);
    });
    U.SetOnActionChange([&](QObject*) {
        if (U.Action() == iaDisconnected) {
            TfrmVxInetUpdate* F = OpenWindow();
            ASSERT_TRUE(F);
            EXPECT_TRUE(Shows(F->imgStep3, F->imgStatus[4]));  // downloaded
            EXPECT_TRUE(Shows(F->imgStep4, F->imgStatus[5]));  // disconnected
            EXPECT_EQ(F->lblStatus->text(), strVxInDisconnected);
        }
    });
    EXPECT_TRUE(U.Execute());
    EXPECT_TRUE(Seen);
    EXPECT_EQ(ReadFile(Local).size(), 20500);
}
