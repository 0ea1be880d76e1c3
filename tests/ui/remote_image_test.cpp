// The remote image against a local HTTP server: pictures into a label, errors on a tick,
// the label going away, and refreshes that never overlap.
#include "support/qstring_print.h"
#include "support/web_recording_hooks.h"
#include "support/scripted_http_server.h"
#include "support/widgets_app.h"

#include <vedidoredo/platform/VxException.h>
#include <vedidoredo/vxiimage.h>

#include <QBuffer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QLabel>
#include <cstdio>
#include <mutex>

#include <gtest/gtest.h>

using vxtest::TScriptedHttpServer;
using vxtest::TScriptReply;

namespace {

std::string Png(int Width, int Height)
{
    QImage Picture(Width, Height, QImage::Format_RGB32);
    Picture.fill(Qt::darkCyan);
    QByteArray Bytes;
    QBuffer Buffer(&Bytes);
    Buffer.open(QIODevice::WriteOnly);
    Picture.save(&Buffer, "PNG");
    return Bytes.toStdString();
}

// Runs the event loop until Done, for at most Ms milliseconds.
bool RunUntil(const std::function<bool()>& Done, int Ms = 10000)
{
    QElapsedTimer Clock;
    Clock.start();
    while (!Done() && Clock.elapsed() < Ms) {
        QEventLoop Loop;
        QTimer::singleShot(10, &Loop, &QEventLoop::quit);
        Loop.exec();
    }
    return Done();
}

class TExposedImage : public TVxRemoteImage {
public:
    bool TimerRunning() const { return FTimer->isActive(); }
};

class RemoteImage : public ::testing::Test {
protected:
    void SetUp() override
    {
        WidgetsApp();
        R.SetHost(QStringLiteral("127.0.0.1"));
        R.SetPort(Server.Port());
        R.SetRemoteFileName(QStringLiteral("/cam/still.png"));
    }
    // The bodies served in turn; the last one stays.
    void Serve(std::vector<std::string> Bodies, int StallMs = 0)
    {
        std::lock_guard Lock(Mutex);
        Replies = std::move(Bodies);
        Stall = StallMs;
    }
    std::mutex Mutex;
    std::vector<std::string> Replies{Png(7, 5)};
    int Stall = 0;
    TScriptedHttpServer Server{[this](const std::string&) {
        std::lock_guard Lock(Mutex);
        TScriptReply Reply{TScriptedHttpServer::Response(
            "200 OK", Replies.front(), "Last-Modified: Wed, 17 May 2023 10:20:30 GMT\r\n")};
        Reply.StallMs = Stall;
        if (Replies.size() > 1)
            Replies.erase(Replies.begin());
        return Reply;
    }};
    vxtest::TRecordingHooks Hooks;
    TExposedImage R;
};

}  // namespace

TEST_F(RemoteImage, APictureLandsInTheLabelAfterEveryRun)
{
    EXPECT_EQ(R.GetInterval(), 1000);
    EXPECT_FALSE(R.Active());
    QLabel Label;
    R.SetImage(&Label);
    ASSERT_TRUE(R.Execute());
    EXPECT_EQ(R.Status(), isFinished);
    EXPECT_EQ(Label.pixmap().size(), QSize(7, 5));
    // Unchanged on the server: no download, but the picture is loaded again.
    Label.clear();
    ASSERT_TRUE(R.Execute());
    EXPECT_EQ(R.Status(), isSkipped);
    EXPECT_EQ(Label.pixmap().size(), QSize(7, 5));
    // A file that is not a picture raises out of a direct Execute; the picture stays.
    Serve({"<html>Service unavailable</html>"});
    EXPECT_THROW(R.Execute(), EVxError);
    EXPECT_EQ(Label.pixmap().size(), QSize(7, 5));
}

TEST_F(RemoteImage, ANonPictureOnATickGoesToTheErrorHookAndTheTimerStaysOff)
{
    QLabel Label;
    R.SetImage(&Label);
    Serve({Png(7, 5), "not a picture"});
    R.SetInterval(1);
    R.Start();
    ASSERT_TRUE(RunUntil([&] { return !Hooks.Errors.isEmpty(); }));
    EXPECT_TRUE(Hooks.Errors.first().contains(QStringLiteral("/cam/still.png"))) << Hooks.Errors.first().toStdString();
    EXPECT_EQ(Label.pixmap().size(), QSize(7, 5));
    // The program goes on, and no further refresh runs until the component is restarted.
    const size_t Seen = Server.RequestCount();
    RunUntil([] { return false; }, 300);
    EXPECT_EQ(Server.RequestCount(), Seen);
    EXPECT_EQ(Hooks.Errors.size(), 1);
    R.Stop();
    Serve({Png(3, 4)});
    R.Start();
    ASSERT_TRUE(RunUntil([&] { return Label.pixmap().size() == QSize(3, 4); }));
}

TEST_F(RemoteImage, TheLabelDestroyedClearsImage)
{
    auto* Label = new QLabel;
    R.SetImage(Label);
    delete Label;
    EXPECT_EQ(R.Image(), nullptr);
    EXPECT_TRUE(R.Execute());
    EXPECT_EQ(R.Status(), isFinished);
}

TEST_F(RemoteImage, TicksNeverOverlap)
{
    // The status window lets the event loop run during each transfer, as a real one does,
    // while the server holds every answer for a while.
    TVxUiHooks Pumping = VxUiHooks();
    struct TPumpingWindow : TVxStatusWindow {
        void SetCaption(const QString&) override {}
        void SetStatusText(const QString&) override {}
        void SetStep(int) override {}
        void SetProgress(qint64, qint64) override {}
        void Show() override {}
        void Hide() override {}
        void ProcessEvents() override { QCoreApplication::processEvents(QEventLoop::AllEvents, 50); }
    };
    Pumping.CreateStatusWindow = [](QObject*) { return std::make_unique<TPumpingWindow>(); };
    VxSetUiHooks(Pumping);
    R.StatusDialog()->SetEnabled(true);
    R.SetOnFileCompare([](QObject*, bool& Equal) { Equal = false; });  // download every time
    Serve({Png(7, 5)}, 100);
    int Running = 0, Most = 0, Done = 0;
    bool TimerOn = false;
    R.SetOnBeforeExecute([&](QObject*) {
        Most = std::max(Most, ++Running);
        TimerOn = TimerOn || R.TimerRunning();
    });
    R.SetOnAfterExecute([&](QObject*) { --Running, ++Done; });
    R.SetInterval(0);
    R.Start();
    ASSERT_TRUE(RunUntil([&] { return Done >= 4; }));
    R.Stop();
    ASSERT_TRUE(RunUntil([&] { return !R.Running(); }));  // a refresh going on ends on its own
    EXPECT_EQ(Most, 1);
    EXPECT_FALSE(TimerOn);
    EXPECT_EQ(Running, 0);
}

TEST_F(RemoteImage, ARefreshOnATickNeverHoldsTheWindowsThread)
{
    QLabel Label;
    R.SetImage(&Label);
    Serve({Png(7, 5)}, 300);  // the server takes its time over every picture
    // A 20 ms timer on this thread: it ticks while a refresh is going, which a refresh on
    // this thread would not let it do.
    int TicksWhileRunning = 0;
    qint64 Longest = 0, Last = 0;
    QElapsedTimer Clock;
    Clock.start();
    QTimer Tick;
    QObject::connect(&Tick, &QTimer::timeout, [&] {
        TicksWhileRunning += R.Running();
        Longest = std::max(Longest, Clock.elapsed() - Last);
        Last = Clock.elapsed();
    });
    Tick.start(20);
    R.SetInterval(1);
    R.Start();
    ASSERT_TRUE(RunUntil([&] { return Label.pixmap().size() == QSize(7, 5); }));
    R.Stop();
    ASSERT_TRUE(RunUntil([&] { return !R.Running(); }));
    Tick.stop();
    EXPECT_GT(TicksWhileRunning, 0);
    QElapsedTimer Blocking;
    Blocking.start();
    R.Execute();
    std::printf("[ figures  ] remote image refresh: longest UI-thread wait %lld ms asynchronous, %lld ms blocking\n",
                static_cast<long long>(Longest), static_cast<long long>(Blocking.elapsed()));
}
