#include "support/qstring_print.h"
#include "support/widgets_app.h"

#include <vedidoredo/VxILogOn.h>
#include <vedidoredo/VxInBase.h>
#include <vedidoredo/VxInCnst.h>
#include <vedidoredo/VxWidgets.h>
#include <vedidoredo/platform/VxUiHooks.h>
#include <vedidoredo/ui/VxILogOnForm.h>

#include <gtest/gtest.h>

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::Literals::StringLiterals;

namespace {

class LogonForm : public ::testing::Test {
protected:
    void SetUp() override
    {
        WidgetsApp();
        Saved = VxUiHooks();
        VxInstallWidgetsHooks();
    }
    void TearDown() override { VxSetUiHooks(Saved); }

    // Runs VxInAskLogon with Action applied to the dialog while it is shown.
    bool Ask(const QString& Caption, std::function<void(TfrmVxILogon*)> Action)
    {
        WhenModal<TfrmVxILogon>(std::move(Action));
        return VxInAskLogon(Caption, User, Password);
    }

    TVxUiHooks Saved;
    QString User = u"alice"_s;
    QString Password = u"old secret"_s;
};

void PressKey(QWidget* Target, int Key)
{
    QKeyEvent Press(QEvent::KeyPress, Key, Qt::NoModifier);
    QApplication::sendEvent(Target, &Press);
}

}  // namespace

TEST_F(LogonForm, HasItsControlsInPlace)
{
    TfrmVxILogon Form;
    EXPECT_EQ(Form.windowTitle(), u"Enter Password");
    EXPECT_EQ(Form.size(), QSize(305, 105));
    EXPECT_EQ(Form.minimumSize(), Form.maximumSize());  // not resizable
    const std::pair<const char*, QRect> Controls[] = {
        {"lblLogin", {48, 12, 88, 13}},    {"lblPassword", {16, 37, 120, 13}},
        {"edLogin", {144, 8, 150, 21}},    {"edPassword", {144, 32, 150, 21}},
        {"bvlButtons", {8, 64, 289, 17}},  {"btnOk", {139, 72, 75, 25}},
        {"btnCancel", {219, 72, 75, 25}},  {"imgKey", {16, 8, 24, 24}},
    };
    for (const auto& [Name, Geometry] : Controls) {
        auto* Widget = Form.findChild<QWidget*>(QLatin1String(Name));
        ASSERT_NE(Widget, nullptr) << Name;
        EXPECT_EQ(Widget->geometry(), Geometry) << Name;
    }
    EXPECT_EQ(Form.lblLogin->text(), u"User ID:");
    EXPECT_EQ(Form.lblPassword->text(), u"Password:");
    EXPECT_TRUE(Form.lblLogin->alignment() & Qt::AlignRight);
    EXPECT_EQ(Form.btnOk->text(), u"&OK");
    EXPECT_EQ(Form.btnCancel->text(), u"&Cancel");
    EXPECT_TRUE(Form.btnOk->isDefault());
    EXPECT_FALSE(Form.btnCancel->isDefault());
    EXPECT_EQ(Form.edPassword->echoMode(), QLineEdit::Normal);
}

TEST_F(LogonForm, TabsThroughEditsThenButtons)
{
    TfrmVxILogon Form;
    QList<QWidget*> Order;
    QWidget* W = Form.edLogin;
    for (int i = 0; i < 20 && Order.size() < 4; ++i, W = W->nextInFocusChain())
        if (W->focusPolicy() & Qt::TabFocus)
            Order << W;
    EXPECT_EQ(Order, (QList<QWidget*>{Form.edLogin, Form.edPassword, Form.btnOk, Form.btnCancel}));
}

TEST_F(LogonForm, KeyPictureIsA24By24Drawing)
{
    const QImage Key = TfrmVxILogon::KeyPicture().toImage();
    ASSERT_EQ(Key.size(), QSize(24, 24));
    EXPECT_EQ(qAlpha(Key.pixel(23, 0)), 0);  // transparent around the key
    int Opaque = 0;
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 24; ++x)
            Opaque += qAlpha(Key.pixel(x, y)) == 255;
    EXPECT_GT(Opaque, 60);
}

TEST_F(LogonForm, OkWritesBackWhatTheEditsHold)
{
    QString Shown;
    const bool Result = Ask(u"Proxy Server authorization"_s, [&](TfrmVxILogon* Form) {
        Shown = Form->windowTitle() + u'|' + Form->edLogin->text() + u'|' + Form->edPassword->text();
        Form->edLogin->setText(u"bob"_s);
        Form->edPassword->setText(u"new secret"_s);
        Form->btnOk->click();
    });
    EXPECT_TRUE(Result);
    EXPECT_EQ(Shown, u"Proxy Server authorization|alice|old secret");
    EXPECT_EQ(User, u"bob");
    EXPECT_EQ(Password, u"new secret");
}

TEST_F(LogonForm, EnterPressesOkAndAnEmptyCaptionKeepsEnterPassword)
{
    QString Title;
    const bool Result = Ask(QString(), [&](TfrmVxILogon* Form) {
        Title = Form->windowTitle();
        Form->edPassword->setText(u"typed"_s);
        PressKey(Form->edPassword, Qt::Key_Return);
    });
    EXPECT_TRUE(Result);
    EXPECT_EQ(Title, u"Enter Password");
    EXPECT_EQ(Password, u"typed");
}

TEST_F(LogonForm, CancelEscapeAndCloseKeepTheCallersValues)
{
    const std::function<void(TfrmVxILogon*)> Ways[] = {
        [](TfrmVxILogon* Form) { Form->btnCancel->click(); },
        [](TfrmVxILogon* Form) { PressKey(Form->edLogin, Qt::Key_Escape); },
        [](TfrmVxILogon* Form) { Form->close(); },
    };
    for (const auto& Way : Ways) {
        const bool Result = Ask(u"x"_s, [&](TfrmVxILogon* Form) {
            Form->edLogin->setText(u"edited"_s);
            Form->edPassword->setText(u"edited"_s);
            Way(Form);
        });
        EXPECT_FALSE(Result);
        EXPECT_EQ(User, u"alice");
        EXPECT_EQ(Password, u"old secret");
    }
}

TEST_F(LogonForm, EngineAsksWithTheCatalogueTextOfTheMoment)
{
    // A translated catalogue text shows in the dialog the engine opens for a proxy login,
    // and what the user types there goes into the request.
    const QString SavedText = strVxInProxyLogon;
    strVxInProxyLogon = u"Proxy-Anmeldung"_s;
    TVxInetBase Engine;
    Engine.Proxy()->SetUseProxy(true);
    QString Title;
    WhenModal<TfrmVxILogon>([&](TfrmVxILogon* Form) {
        Title = Form->windowTitle();
        Form->edLogin->setText(u"bob"_s);
        Form->btnOk->click();
    });
    const QString Headers = Engine.GetRawHeaders();
    strVxInProxyLogon = SavedText;
    EXPECT_EQ(Title, u"Proxy-Anmeldung");
    EXPECT_EQ(Headers, u"Username: bob\r\n\r\n");
    EXPECT_EQ(Engine.Proxy()->User(), u"bob");
}
