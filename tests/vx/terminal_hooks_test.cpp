// vx's terminal hooks: the progress line, the logon prompt and the message output.
#include "VxConsole.h"
#include "VxTerminalHooks.h"
#include "VxTerminalLogon.h"
#include "VxTerminalStatusWindow.h"

#include <vedidoredo/platform/VxUiHooks.h>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <atomic>
#include <chrono>
#include <thread>
#include <unistd.h>

using vx::TerminalStatusWindow;

namespace {

struct Screen {
    QByteArray Written;
    std::unique_ptr<TerminalStatusWindow> Window(int Width = 80)
    {
        return std::make_unique<TerminalStatusWindow>([this](const QByteArray& B) { Written += B; }, Width, 0);
    }
};

// Runs the logon dialogue with Input typed on a pipe; returns what it printed.
QByteArray Logon(const QByteArray& Input, bool& Ok, QString& User, QString& Password)
{
    int In[2], Out[2];
    EXPECT_EQ(::pipe(In), 0);
    EXPECT_EQ(::pipe(Out), 0);
    EXPECT_EQ(::write(In[1], Input.constData(), size_t(Input.size())), Input.size());
    ::close(In[1]);
    Ok = vx::AskLogonOn(In[0], Out[1], QStringLiteral("Proxy Server authorization"), User, Password);
    ::close(In[0]);
    ::close(Out[1]);
    QByteArray Printed;
    char Buffer[4096];
    ssize_t N;
    while ((N = ::read(Out[0], Buffer, sizeof Buffer)) > 0)
        Printed.append(Buffer, N);
    ::close(Out[0]);
    return Printed;
}

}  // namespace

TEST(VxStatusWindow, DrawsABarWithPercentAndBytesOnceShown)
{
    Screen S;
    auto W = S.Window(100);
    W->SetCaption(QStringLiteral("Software update"));
    W->SetStatusText(QStringLiteral("Downloading..."));
    W->SetProgress(512 * 1024, 1024 * 1024);
    EXPECT_EQ(S.Written, QByteArray());  // nothing before Show
    W->Show();
    EXPECT_EQ(S.Written, QByteArray("\rSoftware update: Downloading... [############............]  50% "
                                    "512.0 KiB of 1.0 MiB\x1b[K"));
    // A position beyond the maximum (a server that sent more than announced) stays at 100%.
    W->SetProgress(3000, 1000);
    EXPECT_TRUE(W->Line().contains(QStringLiteral("[########################] 100%")));
    S.Written.clear();
    W->Hide();
    EXPECT_TRUE(S.Written.endsWith("\n"));
    S.Written.clear();
    W->SetProgress(1, 2);
    W.reset();
    EXPECT_EQ(S.Written, QByteArray());  // hidden: no more output, also not when destroyed
}

TEST(VxStatusWindow, UnknownSizeShowsTheBytesWithoutAPercentage)
{
    Screen S;
    auto W = S.Window();
    W->Show();
    W->SetStatusText(QStringLiteral("Downloading..."));
    W->SetProgress(3 * 1024 * 1024 + 100, 0);
    W->ProcessEvents();
    EXPECT_EQ(W->Line(), QStringLiteral("Downloading... 3.0 MiB"));
    EXPECT_FALSE(W->Line().contains(QLatin1Char('%')));
    W->SetProgress(100, 0);
    EXPECT_EQ(W->Line(), QStringLiteral("Downloading... 100 bytes"));
}

TEST(VxStatusWindow, TheLineNeverWrapsAndIsNotRedrawnUnchanged)
{
    Screen S;
    auto W = S.Window(40);
    W->Show();
    W->SetCaption(QString(100, QLatin1Char('c')));
    W->SetProgress(1, 4);
    EXPECT_LE(W->Line().size(), 39);
    EXPECT_EQ(W->Line(), QStringLiteral("cccccccccccc...  25% 1 bytes of 4 bytes"));
    W->SetCaption(QStringLiteral("Short"));
    EXPECT_EQ(W->Line(), QStringLiteral("Short  25% 1 bytes of 4 bytes"));  // no room for a bar
    // At 80 columns the bar shrinks before the text is cut.
    Screen Wide;
    auto W80 = Wide.Window(80);
    W80->SetCaption(QStringLiteral("Software update"));
    W80->SetStatusText(QStringLiteral("Downloading..."));
    W80->SetProgress(50, 100);
    EXPECT_EQ(W80->Line().toStdString(), "Software update: Downloading... [#########.........]  50% "
                                         "50 bytes of 100 bytes");
    const QByteArray Before = S.Written;
    W->SetProgress(1, 4);
    W->ProcessEvents();
    EXPECT_EQ(S.Written, Before);
}

TEST(VxStatusWindow, NoWindowWhenStandardErrorIsNotATerminal)
{
    int Pipe[2];
    ASSERT_EQ(::pipe(Pipe), 0);
    const int Saved = ::dup(STDERR_FILENO);
    ::dup2(Pipe[1], STDERR_FILENO);
    const bool Made = TerminalStatusWindow::CreateForStandardError() != nullptr;
    ::dup2(Saved, STDERR_FILENO);
    ::close(Saved);
    ::close(Pipe[0]);
    ::close(Pipe[1]);
    EXPECT_FALSE(Made);
}

TEST(VxTerminalLogon, AnswersReplaceTheValuesAndEmptyAnswersKeepThem)
{
    bool Ok = false;
    QString User = QStringLiteral("bob"), Password = QStringLiteral("old");
    const QByteArray Printed = Logon("alice\r\nsecret\n", Ok, User, Password);
    EXPECT_TRUE(Ok);
    EXPECT_EQ(User, QStringLiteral("alice"));
    EXPECT_EQ(Password, QStringLiteral("secret"));
    EXPECT_TRUE(Printed.startsWith("Proxy Server authorization\nUser [bob]: ")) << Printed.toStdString();
    EXPECT_FALSE(Printed.contains("secret"));

    Logon("\n\n", Ok, User, Password);
    EXPECT_TRUE(Ok);
    EXPECT_EQ(User, QStringLiteral("alice"));
    EXPECT_EQ(Password, QStringLiteral("secret"));
}

TEST(VxTerminalLogon, EndOfInputIsCancelAndChangesNothing)
{
    bool Ok = true;
    QString User = QStringLiteral("bob"), Password = QStringLiteral("old");
    Logon("", Ok, User, Password);
    EXPECT_FALSE(Ok);
    // The user was typed but the password question got no answer.
    Logon("carol\n", Ok, User, Password);
    EXPECT_FALSE(Ok);
    EXPECT_EQ(User, QStringLiteral("bob"));
    EXPECT_EQ(Password, QStringLiteral("old"));
}

TEST(VxTerminalLogon, ThePasswordIsNotEchoedOnATerminalAndEchoComesBack)
{
    const int Master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(Master, 0);
    ASSERT_EQ(::grantpt(Master), 0);
    ASSERT_EQ(::unlockpt(Master), 0);
    const int Slave = ::open(::ptsname(Master), O_RDWR | O_NOCTTY);
    ASSERT_GE(Slave, 0);

    // The person at the terminal: answers each question once it is on the screen.
    QByteArray Screen;
    std::atomic<bool> Done{false};
    const auto WaitFor = [&](const QByteArray& Text) {
        for (int I = 0; I < 100 && !Screen.contains(Text); ++I) {
            pollfd P{Master, POLLIN, 0};
            if (::poll(&P, 1, 50) <= 0)
                continue;
            char Buffer[256];
            const ssize_t N = ::read(Master, Buffer, sizeof Buffer);
            if (N > 0)
                Screen.append(Buffer, N);
        }
    };
    std::thread Typist([&] {
        WaitFor("User: ");
        ::write(Master, "alice\n", 6);
        WaitFor("Password: ");
        ::write(Master, "secret\n", 7);
        // Should the answer be lost, an empty one ends the wait (and the test fails).
        for (int I = 0; I < 40 && !Done; ++I)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (!Done)
            ::write(Master, "\n", 1);
    });
    QString User, Password;
    const bool Ok = vx::AskLogonOn(Slave, Slave, QString(), User, Password);
    Done = true;
    Typist.join();
    pollfd P{Master, POLLIN, 0};
    while (::poll(&P, 1, 100) > 0) {
        char Buffer[256];
        const ssize_t N = ::read(Master, Buffer, sizeof Buffer);
        if (N <= 0)
            break;
        Screen.append(Buffer, N);
    }
    termios After;
    ASSERT_EQ(::tcgetattr(Slave, &After), 0);
    ::close(Slave);
    ::close(Master);

    EXPECT_TRUE(Ok);
    EXPECT_EQ(User, QStringLiteral("alice"));
    EXPECT_EQ(Password, QStringLiteral("secret"));
    EXPECT_TRUE(Screen.startsWith("Enter Password\r\nUser: alice")) << Screen.toStdString();
    EXPECT_FALSE(Screen.contains("secret")) << Screen.toStdString();
    EXPECT_TRUE(After.c_lflag & ECHO);
}

TEST(VxTerminalHooks, InstalledHooksPromptShowMessagesAndMakeNoWindowWithoutATerminal)
{
    const TVxUiHooks Saved = VxUiHooks();
    vx::InstallTerminalHooks();
    ASSERT_TRUE(VxUiHooks().AskLogon);
    ASSERT_TRUE(VxUiHooks().CreateStatusWindow);
    {
        vx::ConsoleCapture Capture;
        VxUiHooks().ShowMessage(QStringLiteral("Update"), QStringLiteral("Done."));
        VxUiHooks().ShowError(QStringLiteral("Image"), QStringLiteral("Unreadable."));
        EXPECT_EQ(Capture.Err, QByteArray("Update: Done.\nImage: Unreadable.\n"));
    }
    VxSetUiHooks(Saved);
}

TEST(VxConsole, OutsideTextLosesItsControlCharacters)
{
    EXPECT_EQ(vx::Printable(QString::fromUtf16(u"a\x1b[2J\x07\tb\r\nc\u009B\u0085\u00E9\u20AC")),
              QString::fromUtf16(u"a[2J\tb\nc\u00E9\u20AC"));
    // Bytes: UTF-8 characters stay whole, C1 controls go in UTF-8 and as single bytes.
    EXPECT_EQ(vx::PrintableBytes("a\x1b\x07\r\n\xC2\x9B\xC3\x80\xE2\x82\xAC\x9B\x85z"),
              QByteArray("a\n\xC3\x80\xE2\x82\xAC" "z"));
}
