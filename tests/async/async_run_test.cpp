// Runs on a worker thread: the future of the blocking call's result, callbacks and windows
// on the thread that owns the component in the blocking order, cancelling, destroying a
// component mid-run, and nothing left behind. The test thread plays the UI thread: it runs
// the event loop, with a 20 ms timer whose longest wait each test prints beside the time
// the blocking call keeps the thread.
#include "async/component_cases.h"
#include "support/widgets_app.h"

#include <vedidoredo/platform/VxUiHooks.h>

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFutureWatcher>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdio>
#include <thread>

using namespace vxtest;

namespace {

// A 20 ms timer on the calling thread: its ticks, and the longest time between two.
class TTicker {
public:
    explicit TTicker(std::atomic<int>* Count = nullptr) : FCount(Count)
    {
        FTimer.setInterval(20);
        QObject::connect(&FTimer, &QTimer::timeout, [this] {
            const qint64 Now = FClock.elapsed();
            Longest = std::max(Longest, Now - FLast);
            FLast = Now;
            if (FCount)
                ++*FCount;
        });
        FClock.start();
        FTimer.start();
    }
    qint64 Longest = 0;

private:
    std::atomic<int>* FCount;
    QTimer FTimer;
    QElapsedTimer FClock;
    qint64 FLast = 0;
};

// Runs the event loop until C signals finished() (10 s at most).
bool AwaitFinished(TVxComponent* C)
{
    QEventLoop Loop;
    bool Finished = false;
    QObject::connect(C, &TVxComponent::finished, &Loop, [&] {
        Finished = true;
        Loop.quit();
    });
    QTimer::singleShot(10000, &Loop, &QEventLoop::quit);
    Loop.exec();
    return Finished;
}

// Runs the event loop for Ms milliseconds.
void Spin(int Ms)
{
    QEventLoop Loop;
    QTimer::singleShot(Ms, &Loop, &QEventLoop::quit);
    Loop.exec();
}

// Runs the event loop until Done, for at most 10 s.
bool RunUntil(const std::function<bool()>& Done)
{
    QElapsedTimer Clock;
    Clock.start();
    while (!Done() && Clock.elapsed() < 10000) {
        QEventLoop Loop;
        QTimer::singleShot(5, &Loop, &QEventLoop::quit);
        Loop.exec();
    }
    return Done();
}

// Runs of the same progress report count as one: their number depends on how the bytes
// arrive.
QStringList Collapsed(const QStringList& Callbacks)
{
    QStringList Out;
    for (const QString& C : Callbacks)
        if (Out.isEmpty() || Out.last() != C || C != QLatin1String("progress"))
            Out << C;
    return Out;
}

bool OnUiThread()
{
    return QThread::currentThread() == WidgetsApp()->thread();
}

int Count(const char* Dir)
{
    return int(QDir(QString::fromLatin1(Dir)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size());
}

// Qt's warnings during a test: a thread rule broken shows here ("cannot be used from
// another thread" and the like).
QStringList Warnings;
void Collect(QtMsgType Type, const QMessageLogContext&, const QString& Text)
{
    if (Type != QtDebugMsg && Type != QtInfoMsg && !Text.startsWith(QLatin1String("QStandardPaths")))
        Warnings << Text;
}

class AsyncRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        WidgetsApp();
        Warnings.clear();
        FSaved = qInstallMessageHandler(Collect);
    }
    void TearDown() override
    {
        qInstallMessageHandler(FSaved);
        EXPECT_TRUE(Warnings.isEmpty()) << Warnings.join(QLatin1Char('\n')).toStdString();
    }
    void Figure(const char* Test, const char* Case, qint64 AsyncMs, qint64 BlockingMs)
    {
        std::printf("[ figures  ] %s, %s: longest UI-thread wait %lld ms asynchronous, %lld ms blocking\n", Test,
                    Case, static_cast<long long>(AsyncMs), static_cast<long long>(BlockingMs));
    }
    TRunPeers Peers;

private:
    QtMessageHandler FSaved = nullptr;
};

const TRunCase& CaseNamed(const std::vector<TRunCase>& Cases, const char* Name)
{
    for (const TRunCase& C : Cases)
        if (QLatin1String(C.Name) == QLatin1String(Name))
            return C;
    throw std::logic_error(Name);
}

}  // namespace

TEST_F(AsyncRun, CallbacksRunOnTheOwningThreadInTheBlockingOrder)
{
    for (const TRunCase& Case : RunCases(Peers)) {
        SCOPED_TRACE(Case.Name);
        auto C = Case.Make();
        QStringList Blocking, Async;
        bool AllOnUi = true;
        // A first run leaves the state that every later one starts from.
        EXPECT_EQ(RunAndState(Case, C.get()), Case.Expected);
        Case.Record(C.get(), [&](const QString& Name) { Blocking << Name; });
        QElapsedTimer Clock;
        Clock.start();
        EXPECT_EQ(RunAndState(Case, C.get()), Case.Expected);
        const qint64 BlockingMs = Clock.elapsed();

        Case.Record(C.get(), [&](const QString& Name) {
            Async << Name;
            AllOnUi = AllOnUi && OnUiThread();
        });
        // The servers hold their answers until this thread's timer has ticked three times:
        // a run that blocked it would wait for the servers' 10 s limit.
        TTicker Ticker(&Peers.Ticks);
        Peers.HoldUntil = Peers.Ticks + 3;
        QFuture<QString> Result = Case.Start(C.get());
        EXPECT_TRUE(C->Running());
        ASSERT_TRUE(AwaitFinished(C.get()));
        Peers.HoldUntil = 0;
        ASSERT_TRUE(Result.isFinished());
        EXPECT_FALSE(C->Running());
        EXPECT_EQ(ResultAndState(Case, C.get(), Result), Case.Expected);
        EXPECT_FALSE(Peers.GateExpired);
        EXPECT_TRUE(AllOnUi);
        EXPECT_EQ(Collapsed(Async), Collapsed(Blocking));
        Figure("callbacks", Case.Name, Ticker.Longest, BlockingMs);
    }
}

TEST_F(AsyncRun, AbortCancelAndACancelledFutureLeaveNoPartialFile)
{
    const std::vector<TRunCase> Cases = RunCases(Peers);
    const TRunCase& Download = CaseNamed(Cases, "download");
    enum TWay { AbortInOnProgress, CancelCall, FutureCancel };
    for (TWay Way : {AbortInOnProgress, CancelCall, FutureCancel}) {
        SCOPED_TRACE(int(Way));
        auto C = Download.Make();
        auto* U = As<TVxWebUpdater>(C.get());
        QFuture<bool> Future;
        U->SetOnProgress([&](QObject*, int, int, bool& Abort) {
            if (Way == AbortInOnProgress)
                Abort = true;
            else if (Way == CancelCall)
                U->Cancel();
            else
                Future.cancel();
        });
        Future = U->ExecuteAsync();
        ASSERT_TRUE(AwaitFinished(U));
        EXPECT_EQ(U->Status(), isFailed);
        EXPECT_EQ(U->LastError(), QStringLiteral("Download aborted"));
        EXPECT_FALSE(QFileInfo::exists(U->LocalFileName()));
        EXPECT_EQ(Count(qPrintable(Peers.Dir.path())), 1);  // doc.xml alone: no temporary file either
        if (Way == FutureCancel)
            EXPECT_TRUE(Future.isCanceled());
        else
            EXPECT_FALSE(Future.result());
    }
    // A socket client's cancelled run is an exception in its future; its wait for the
    // server's answer ends at once.
    const TRunCase& Whois = CaseNamed(Cases, "whois");
    auto C = Whois.Make();
    Peers.HoldUntil = 1 << 30;
    Whois.Record(C.get(), OnceAt(QStringLiteral("connect"), [&] { C->Cancel(); }));
    QFuture<QString> Future = Whois.Start(C.get());
    ASSERT_TRUE(AwaitFinished(C.get()));
    Peers.HoldUntil = 0;
    EXPECT_THROW(Future.waitForFinished(), EVxAborted);
    EXPECT_FALSE(As<TVxWhoIs>(C.get())->Connected());
}

TEST_F(AsyncRun, TheLogonPromptAndTheStatusWindowShowOnTheOwningThread)
{
    const std::vector<TRunCase> Cases = RunCases(Peers);
    auto C = CaseNamed(Cases, "download").Make();
    auto* U = As<TVxWebUpdater>(C.get());
    U->SetRemoteFileName(QStringLiteral("/secret.bin"));
    U->StatusDialog()->SetEnabled(true);
    const TVxUiHooks Saved = VxUiHooks();
    TVxUiHooks Hooks;
    QStringList Calls;
    bool AllOnUi = true;
    Hooks.AskLogon = [&](const QString&, QString& User, QString& Password) {
        AllOnUi = AllOnUi && OnUiThread();
        Calls << QStringLiteral("logon");
        User = QStringLiteral("ann");
        Password = QStringLiteral("s3cret");
        return true;
    };
    struct TWindow : TVxStatusWindow {
        std::function<void(const char*)> Note;
        void SetCaption(const QString&) override { Note("caption"); }
        void SetStatusText(const QString&) override { Note("text"); }
        void SetStep(int) override { Note("step"); }
        void SetProgress(qint64, qint64) override { Note("progress"); }
        void Show() override { Note("show"); }
        void Hide() override { Note("hide"); }
        void ProcessEvents() override { Note("process"); }
        ~TWindow() override { Note("destroyed"); }
    };
    Hooks.CreateStatusWindow = [&](QObject*) {
        auto W = std::make_unique<TWindow>();
        W->Note = [&](const char* What) {
            AllOnUi = AllOnUi && OnUiThread();
            if (Calls.isEmpty() || Calls.last() != QLatin1String(What))
                Calls << QLatin1String(What);
        };
        return W;
    };
    VxSetUiHooks(Hooks);
    TTicker Ticker;
    QFuture<bool> Future = U->ExecuteAsync();
    const bool Finished = AwaitFinished(U);
    const qint64 AsyncMs = Ticker.Longest;
    VxSetUiHooks(Saved);
    ASSERT_TRUE(Finished);
    EXPECT_TRUE(Future.result());
    EXPECT_EQ(U->User(), QStringLiteral("ann"));
    EXPECT_EQ(QFileInfo(U->LocalFileName()).size(), TRunPeers::FileSize);
    EXPECT_TRUE(AllOnUi);
    // Made, asked over, filled, freed; an asynchronous run leaves events to the thread's
    // own loop.
    EXPECT_TRUE(Calls.contains(QStringLiteral("logon")));
    EXPECT_EQ(Calls.first(), QStringLiteral("caption"));
    EXPECT_EQ(Calls.last(), QStringLiteral("destroyed"));
    EXPECT_FALSE(Calls.contains(QStringLiteral("process")));
    U->StatusDialog()->SetEnabled(false);
    QElapsedTimer Clock;
    Clock.start();
    EXPECT_TRUE(U->Execute());  // blocking, for the figure (the login is known by now)
    Figure("logon and status window", "download", AsyncMs, Clock.elapsed());
}

TEST_F(AsyncRun, SettingsAndSecondRunsRaiseWhileRunningAndCallbacksMayChangeThem)
{
    const std::vector<TRunCase> Cases = RunCases(Peers);
    const TRunCase& Whois = CaseNamed(Cases, "whois");
    auto C = Whois.Make();
    auto* W = As<TVxWhoIs>(C.get());
    QString FromCallback = QStringLiteral("not called");
    Whois.Record(C.get(), OnceAt(QStringLiteral("connect"), [&] {
        try {
            W->SetTimeout(4000);  // the run waits for its callback meanwhile
            FromCallback.clear();
        } catch (const EVxError& E) {
            FromCallback = E.Message();
        }
    }));
    Peers.HoldUntil = 1 << 30;
    QFuture<QString> Future = W->ExecuteAsync();
    const struct {
        const char* What;
        std::function<void()> Call;
        QString Message;
    } Tries[] = {
        {"Host", [&] { W->SetHost(QStringLiteral("example.org")); }, QStringLiteral("cannot change Host while running")},
        {"Proxy", [&] { W->Proxy()->SetServer(QStringLiteral("proxy")); }, QStringLiteral("cannot change Server while running")},
        {"event", [&] { W->SetOnAfterExecute(nullptr); }, QStringLiteral("cannot change OnAfterExecute while running")},
        {"ExecuteAsync", [&] { W->ExecuteAsync(); }, QStringLiteral("already running")},
        {"Execute", [&] { W->Execute(); }, QStringLiteral("already running")},
    };
    for (const auto& Try : Tries) {
        SCOPED_TRACE(Try.What);
        QString Message;
        try {
            Try.Call();
        } catch (const EVxError& E) {
            Message = E.Message();
        }
        EXPECT_EQ(Message, Try.Message);
    }
    Peers.HoldUntil = 0;
    ASSERT_TRUE(AwaitFinished(W));
    EXPECT_EQ(Future.result(), QStringLiteral("Domain Name: EXAMPLE.ORG\r\nRegistrar: Test\r\n"));
    EXPECT_EQ(FromCallback, QString());
    EXPECT_EQ(W->Timeout(), 4000);
    EXPECT_TRUE(W->Proxy()->Server().isEmpty());
    W->SetHost(QStringLiteral("example.org"));  // idle again
}

TEST_F(AsyncRun, AComponentDestroyedMidRunCancelsAndNoCallbackFollows)
{
    const std::vector<TRunCase> Cases = RunCases(Peers);
    for (const char* Name : {"whois", "download"}) {
        SCOPED_TRACE(Name);
        const TRunCase& Case = CaseNamed(Cases, Name);
        std::unique_ptr<TVxComponent> C = Case.Make();
        const QString Local = QString::fromLatin1(Name) == QLatin1String("download")
                                  ? As<TVxWebUpdater>(C.get())->LocalFileName()
                                  : QString();
        bool Destroyed = false, CallbackAfter = false;
        Case.Record(C.get(), [&, Mid = Case.Mid, Done = false](const QString& Callback) mutable {
            CallbackAfter = CallbackAfter || Destroyed;
            if (Callback == Mid && !Done) {
                Done = true;
                // Destroyed from the event loop, while the run goes on.
                QTimer::singleShot(0, [&] {
                    C.reset();
                    Destroyed = true;
                });
            }
        });
        // The socket client waits for an answer the server holds back.
        Peers.HoldUntil = Case.Mid == QLatin1String("connect") ? 1 << 30 : 0;
        QFuture<QString> Future = Case.Start(C.get());
        ASSERT_TRUE(RunUntil([&] { return Destroyed; }));
        Peers.HoldUntil = 0;
        // The destructor waited for the worker: the future has its end already.
        EXPECT_TRUE(Future.isFinished());
        Spin(100);
        EXPECT_FALSE(CallbackAfter);
        if (!Local.isEmpty()) {
            EXPECT_FALSE(QFileInfo::exists(Local));
            EXPECT_EQ(Count(qPrintable(Peers.Dir.path())), 1);
        }
    }
}

TEST_F(AsyncRun, AHundredRunsLeaveNoThreadSocketOrFileBehind)
{
    const std::vector<TRunCase> Cases = RunCases(Peers);
    const TRunCase* Kinds[] = {&CaseNamed(Cases, "whois"), &CaseNamed(Cases, "download")};
    std::unique_ptr<TVxComponent> Components[] = {Kinds[0]->Make(), Kinds[1]->Make()};
    auto RunOnce = [&](int I) {
        QFuture<QString> F = Kinds[I % 2]->Start(Components[I % 2].get());
        return AwaitFinished(Components[I % 2].get()) && ResultAndState(*Kinds[I % 2], Components[I % 2].get(), F) == Kinds[I % 2]->Expected;
    };
    // Once each, so that what a first run sets up for good (libcurl) is there; and once
    // each blocking, for the figure.
    ASSERT_TRUE(RunOnce(0) && RunOnce(1));
    qint64 BlockingMs = 0;
    for (int I = 0; I < 2; ++I) {
        QElapsedTimer Clock;
        Clock.start();
        EXPECT_EQ(RunAndState(*Kinds[I], Components[I].get()), Kinds[I]->Expected);
        BlockingMs = std::max(BlockingMs, Clock.elapsed());
    }
    const int Threads = Count("/proc/self/task");
    const int Files = Count("/proc/self/fd");
    TTicker Ticker;
    int Good = 0;
    for (int I = 0; I < 100; ++I)
        Good += RunOnce(I);
    EXPECT_EQ(Good, 100);
    // A worker thread ends right after its run; the servers' threads after their answer.
    EXPECT_TRUE(RunUntil([&] { return Count("/proc/self/task") <= Threads; })) << Count("/proc/self/task") << " > " << Threads;
    EXPECT_TRUE(RunUntil([&] { return Count("/proc/self/fd") <= Files; })) << Count("/proc/self/fd") << " > " << Files;
    Figure("100 runs", "whois and download", Ticker.Longest, BlockingMs);
}

TEST_F(AsyncRun, AThreadWithoutEventLoopWaitsOnTheFuture)
{
    const std::vector<TRunCase> Cases = RunCases(Peers);
    const TRunCase& Whois = CaseNamed(Cases, "whois");
    // A plain thread: no event loop at all.
    QString Result;
    int Callbacks = 0;
    std::thread Plain([&] {
        auto C = Whois.Make();
        Whois.Record(C.get(), [&](const QString&) { ++Callbacks; });
        Result = As<TVxWhoIs>(C.get())->ExecuteAsync().result();
    });
    Plain.join();
    EXPECT_EQ(Result, QStringLiteral("Domain Name: EXAMPLE.ORG\r\nRegistrar: Test\r\n"));
    EXPECT_EQ(Callbacks, 6);
    // This thread, waiting on the future instead of running its loop: the callbacks run
    // all the same, once it has shown no activity for a while.
    auto C = Whois.Make();
    QStringList Seen;
    Whois.Record(C.get(), [&](const QString& Name) { Seen << Name; });
    QElapsedTimer Clock;
    Clock.start();
    EXPECT_EQ(As<TVxWhoIs>(C.get())->ExecuteAsync().result(), Result);
    EXPECT_EQ(Seen.size(), 6);
    Figure("waiting on the future", "whois", Clock.elapsed(), Clock.elapsed());
    Spin(50);  // the finished() of that run
}

TEST_F(AsyncRun, ARunStartedInTheEventLoopWaitsForItsBusyThread)
{
    // A button's handler starts the run and then keeps the thread busy past the quarter
    // second after which a thread outside an event loop gets its callbacks on the worker.
    const std::vector<TRunCase> Cases = RunCases(Peers);
    const TRunCase& Whois = CaseNamed(Cases, "whois");
    auto C = Whois.Make();
    int Callbacks = 0;
    bool AllOnUi = true;
    Whois.Record(C.get(), [&](const QString&) {
        ++Callbacks;
        AllOnUi = AllOnUi && OnUiThread();
    });
    QFuture<QString> F;
    QTimer::singleShot(0, C.get(), [&] {
        F = As<TVxWhoIs>(C.get())->ExecuteAsync();
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
    });
    ASSERT_TRUE(AwaitFinished(C.get()));
    EXPECT_EQ(F.result(), QStringLiteral("Domain Name: EXAMPLE.ORG\r\nRegistrar: Test\r\n"));
    EXPECT_EQ(Callbacks, 6);
    EXPECT_TRUE(AllOnUi);
}

TEST_F(AsyncRun, AKeptConnectionGoesFromRunToRun)
{
    const std::vector<TRunCase> Cases = RunCases(Peers);
    const TRunCase& Smtp = CaseNamed(Cases, "smtp");
    auto C = Smtp.Make();
    auto* M = As<TVxISMTP>(C.get());
    M->SetKeepConnection(true);
    for (int I = 0; I < 3; ++I) {
        QFuture<QString> F = M->ExecuteAsync();
        ASSERT_TRUE(AwaitFinished(M));
        EXPECT_EQ(F.result(), QString());
        EXPECT_TRUE(M->Connected());
    }
    // A blocking run on this thread uses it too.
    EXPECT_EQ(M->Execute(), QString());
    EXPECT_EQ(Peers.Smtp.Connections(), 1);
}
