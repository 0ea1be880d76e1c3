#include "support/qstring_print.h"
#include "support/widgets_app.h"

#include <vedidoredo/VxILogOn.h>
#include <vedidoredo/VxWidgets.h>
#include <vedidoredo/platform/VxUiHooks.h>

#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QMessageBox>
#include <QThread>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;

namespace {

class WidgetsHooks : public ::testing::Test {
protected:
    void SetUp() override
    {
        WidgetsApp();
        Saved = VxUiHooks();
    }
    void TearDown() override { VxSetUiHooks(Saved); }
    TVxUiHooks Saved;
};

// Receives the links QDesktopServices hands to the "vxtest" scheme.
class TUrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> Urls;
public slots:
    void Open(const QUrl& Url) { Urls << Url; }
};

}  // namespace

TEST_F(WidgetsHooks, AreInstalledWhenTheLibraryIsLoaded)
{
    // Nothing in this program installs them before this test.
    EXPECT_TRUE(Saved.AskLogon);
    EXPECT_TRUE(Saved.ShowMessage);
    EXPECT_TRUE(Saved.ShowError);
    EXPECT_TRUE(Saved.OpenUrl);
}

TEST_F(WidgetsHooks, InstallReplacesItsHooksAndLeavesTheStatusWindow)
{
    TVxUiHooks Recording;
    Recording.AskLogon = [](const QString&, QString&, QString&) { return true; };
    Recording.CreateStatusWindow = [](QObject*) { return std::unique_ptr<TVxStatusWindow>(); };
    VxSetUiHooks(Recording);
    VxInstallWidgetsHooks();
    EXPECT_TRUE(VxUiHooks().CreateStatusWindow);
    EXPECT_TRUE(VxUiHooks().ShowMessage);
    EXPECT_TRUE(VxUiHooks().OpenUrl);
    // The dialog, not the recording hook, now answers: Cancel leaves the values alone.
    WhenModal<QDialog>([](QDialog* Dialog) { Dialog->reject(); });
    QString User = u"u"_s, Password = u"p"_s;
    EXPECT_FALSE(VxInAskLogon(QString(), User, Password));
}

TEST_F(WidgetsHooks, ShowMessageAndShowErrorShowTheirBoxes)
{
    VxInstallWidgetsHooks();
    QString Seen;
    const auto Record = [&](QMessageBox* Box) {
        Seen = Box->windowTitle() + u'|' + Box->text() + u'|' + QString::number(Box->icon());
        Box->accept();
    };
    WhenModal<QMessageBox>(Record);
    VxUiHooks().ShowMessage(u"About"_s, u"VeDidoredo"_s);
    EXPECT_EQ(Seen, u"About|VeDidoredo|"_s + QString::number(QMessageBox::Information));
    WhenModal<QMessageBox>(Record);
    VxUiHooks().ShowError(u"Image"_s, u"Unreadable"_s);
    EXPECT_EQ(Seen, u"Image|Unreadable|"_s + QString::number(QMessageBox::Critical));
}

TEST_F(WidgetsHooks, OpenUrlGoesToTheDesktopsHandler)
{
    VxInstallWidgetsHooks();
    TUrlCatcher Catcher;
    QDesktopServices::setUrlHandler(u"vxtest"_s, &Catcher, "Open");
    EXPECT_TRUE(VxUiHooks().OpenUrl(u"vxtest://host/page?q=1"_s));
    QDesktopServices::unsetUrlHandler(u"vxtest"_s);
    EXPECT_EQ(Catcher.Urls, QList<QUrl>{QUrl(u"vxtest://host/page?q=1"_s)});
}

TEST_F(WidgetsHooks, OffTheGuiThreadNoWindowIsMade)
{
    VxInstallWidgetsHooks();
    bool Asked = true;
    QString User = u"u"_s, Password = u"p"_s;
    QThread* Worker = QThread::create([&] { Asked = VxInAskLogon(u"x"_s, User, Password); });
    Worker->start();
    ASSERT_TRUE(Worker->wait(30000));
    delete Worker;
    EXPECT_FALSE(Asked);
    EXPECT_EQ(User, u"u");
}

#include "widgets_hooks_test.moc"
