#include <vedidoredo/platform/VxComponent.h>

#include "platform/VxRunState.h"

#include <vedidoredo/platform/VxException.h>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>

#include <chrono>
#include <thread>

#include <sys/socket.h>

namespace {

thread_local TVxRunState* CurrentRun = nullptr;

// Marks the calling thread as being inside a callback of a run (Depth is the run's count)
// for the life of the object.
class TInCallback {
public:
    explicit TInCallback(int& Depth) : FDepth(Depth), FSaved(CurrentRun)
    {
        ++FDepth;
        CurrentRun = nullptr;
    }
    ~TInCallback()
    {
        CurrentRun = FSaved;
        --FDepth;
    }

private:
    int& FDepth;
    TVxRunState* FSaved;
};

}  // namespace

// ---- TVxRunState ------------------------------------------------------------------------

TVxRunState* TVxRunState::Current()
{
    return CurrentRun;
}

QEvent::Type TVxRunState::CallEventType()
{
    static const QEvent::Type Type = QEvent::Type(QEvent::registerEventType());
    return Type;
}

QEvent::Type TVxRunState::FinishedEventType()
{
    static const QEvent::Type Type = QEvent::Type(QEvent::registerEventType());
    return Type;
}

void TVxRunState::Enter()
{
    QThread* const Me = QThread::currentThread();
    if (FRunning.load(std::memory_order_acquire)) {
        // Only the run's own code sees its own thread here: the thread is cleared before
        // a run ends.
        if (FRunThread.load(std::memory_order_acquire) == Me && FCallbackDepth == 0) {
            ++FNesting;
            return;
        }
        throw EVxError(QStringLiteral("already running"));
    }
    bool Idle = false;
    if (!FRunning.compare_exchange_strong(Idle, true, std::memory_order_acq_rel))
        throw EVxError(QStringLiteral("already running"));
    FCancel.store(false, std::memory_order_release);
    FRunThread.store(Me, std::memory_order_release);
    FNesting = 1;
    FCallbackDepth = 0;
    FOuterCurrent = CurrentRun;
    CurrentRun = this;
}

void TVxRunState::Leave()
{
    if (--FNesting > 0)
        return;
    CurrentRun = FOuterCurrent;
    FOuterCurrent = nullptr;
    FRunThread.store(nullptr, std::memory_order_release);
    {
        std::lock_guard Lock(FMutex);
        FRunning.store(false, std::memory_order_release);
    }
    FChanged.notify_all();
}

void TVxRunState::CheckChange(const char* Property) const
{
    if (!Running())
        return;
    // The run's own code and its callbacks on its thread, or a callback the worker waits
    // for on the owning thread: the run is not at work meanwhile.
    QThread* const Me = QThread::currentThread();
    if (FRunThread.load(std::memory_order_acquire) == Me || FServingThread.load(std::memory_order_acquire) == Me)
        return;
    throw EVxError(QStringLiteral("cannot change %1 while running").arg(QLatin1String(Property)));
}

void TVxRunState::Callback(const std::function<void()>& Call)
{
    const bool OwnCode = Running() && FRunThread.load(std::memory_order_acquire) == QThread::currentThread();
    if (!OwnCode) {
        // Outside the run, or on the owning thread inside one of its callbacks.
        Call();
        return;
    }
    if (!Async()) {
        Direct(Call);
        return;
    }
    Marshal(Call);
}

void TVxRunState::Direct(const std::function<void()>& Call)
{
    TInCallback In(FCallbackDepth);
    Call();
}

void TVxRunState::Marshal(const std::function<void()>& Call)
{
    std::unique_lock Lock(FMutex);
    if (FClosing)
        return;
    if (FDirect) {
        Lock.unlock();
        Direct(Call);
        return;
    }
    FPendingCall = &Call;
    FCallState = TCallState::Posted;
    FCallError = nullptr;
    QCoreApplication::postEvent(FComponent, new QEvent(CallEventType()));
    const auto Answered = [this] { return FCallState != TCallState::Posted; };
    bool Settled = true;
    if (FMayRunDirect)
        Settled = FChanged.wait_for(Lock, std::chrono::milliseconds(CallGraceMs), Answered);
    else
        FChanged.wait(Lock, Answered);
    if (!Settled) {
        // The owning thread processes no events: the worker runs the call, and the next
        // ones, itself, until the owning thread comes to the event posted for this one.
        FPendingCall = nullptr;
        FCallState = TCallState::None;
        FDirect = true;
        Lock.unlock();
        Direct(Call);
        return;
    }
    // Taken: the owning thread runs it, and its answer may take as long as a person.
    FChanged.wait(Lock, [this] { return FCallState == TCallState::Done || FCallState == TCallState::Abandoned; });
    const std::exception_ptr Error = FCallState == TCallState::Done ? FCallError : nullptr;
    FPendingCall = nullptr;
    FCallState = TCallState::None;
    FCallError = nullptr;
    Lock.unlock();
    if (Error)
        std::rethrow_exception(Error);
}

void TVxRunState::ServePending()
{
    std::unique_lock Lock(FMutex);
    if (FCallState != TCallState::Posted || !FPendingCall) {
        // The event of a call the worker ran itself: this thread processes events again.
        FDirect = false;
        return;
    }
    FCallState = TCallState::Taken;
    const std::function<void()>* Call = FPendingCall;
    Lock.unlock();
    std::exception_ptr Error;
    QThread* const Outer = FServingThread.exchange(QThread::currentThread());
    try {
        (*Call)();
    } catch (...) {
        Error = std::current_exception();
    }
    FServingThread.store(Outer);
    Lock.lock();
    if (FCallState == TCallState::Taken) {
        FCallState = TCallState::Done;
        FCallError = Error;
    }
    Lock.unlock();
    FChanged.notify_all();
}

void TVxRunState::JoinWorker()
{
    std::lock_guard Lock(FMutex);
}

void TVxRunState::CancelLocked()
{
    FCancel.store(true, std::memory_order_release);
    if (FWaker)
        FWaker();
}

void TVxRunState::Cancel()
{
    std::lock_guard Lock(FMutex);
    CancelLocked();
}

bool TVxRunState::Cancelled() const
{
    return FCancel.load(std::memory_order_acquire) || (FFutureCanceled && FFutureCanceled());
}

void TVxRunState::SetWaker(std::function<void()> Waker)
{
    std::lock_guard Lock(FMutex);
    FWaker = std::move(Waker);
}

void TVxRunState::BeginAsync(std::function<bool()> FutureCanceled)
{
    bool Idle = false;
    if (!FRunning.compare_exchange_strong(Idle, true, std::memory_order_acq_rel))
        throw EVxError(QStringLiteral("already running"));
    FCancel.store(false, std::memory_order_release);
    FAsync.store(true, std::memory_order_release);
    FFutureCanceled = std::move(FutureCanceled);
    FNesting = 1;
    FCallbackDepth = 0;

    std::lock_guard Lock(FMutex);
    ++FLiveWorkers;
    FOwnerThread = FComponent->thread();
    FPendingCall = nullptr;
    FCallState = TCallState::None;
    // A thread without an event dispatcher never processes events: its callbacks run on
    // the worker from the start.
    FDirect = QAbstractEventDispatcher::instance(FOwnerThread) == nullptr;
    // A run started inside the owning thread's running event loop (a GUI's button handler)
    // always waits for that thread: its callbacks may touch widgets, which only that thread
    // may do, however long it is busy.
    FMayRunDirect = !(QThread::currentThread() == FOwnerThread && FOwnerThread->loopLevel() > 0);
}

void TVxRunState::AbandonAsync()
{
    FFutureCanceled = nullptr;
    FNesting = 0;
    {
        std::lock_guard Lock(FMutex);
        --FLiveWorkers;
        FAsync.store(false, std::memory_order_release);
        FRunning.store(false, std::memory_order_release);
    }
    FChanged.notify_all();
}

void TVxRunState::AttachWorker()
{
    FOuterCurrent = CurrentRun;
    CurrentRun = this;
    FRunThread.store(QThread::currentThread(), std::memory_order_release);
}

void TVxRunState::DetachWorker()
{
    FFutureCanceled = nullptr;
    CurrentRun = FOuterCurrent;
    FOuterCurrent = nullptr;
    FNesting = 0;
    FRunThread.store(nullptr, std::memory_order_release);
    {
        std::lock_guard Lock(FMutex);
        FWaker = nullptr;
        FAsync.store(false, std::memory_order_release);
        FRunning.store(false, std::memory_order_release);
    }
    FChanged.notify_all();
}

void TVxRunState::WorkerDone()
{
    {
        std::lock_guard Lock(FMutex);
        if (!FClosing)
            QCoreApplication::postEvent(FComponent, new QEvent(FinishedEventType()));
        --FLiveWorkers;
    }
    FChanged.notify_all();
}

void TVxRunState::End()
{
    std::unique_lock Lock(FMutex);
    FClosing = true;
    if (FLiveWorkers > 0) {
        CancelLocked();
        // A call waiting for this thread, or the one this thread is in (a handler that
        // destroys its component), is given up: the worker goes on without it.
        if (FCallState == TCallState::Posted || FCallState == TCallState::Taken)
            FCallState = TCallState::Abandoned;
        FChanged.notify_all();
        FChanged.wait(Lock, [this] { return FLiveWorkers == 0; });
        return;
    }
    if (Running() && FRunThread.load(std::memory_order_acquire) != QThread::currentThread()) {
        // A blocking run on another thread.
        CancelLocked();
        FChanged.wait(Lock, [this] { return !Running(); });
    }
}

void VxRunAsCallback(const std::function<void()>& Call)
{
    if (TVxRunState* Run = TVxRunState::Current())
        Run->Callback(Call);
    else
        Call();
}

bool VxRunCancelled()
{
    const TVxRunState* Run = TVxRunState::Current();
    return Run && Run->Cancelled();
}

void VxCheckCancelled()
{
    if (VxRunCancelled())
        throw EVxAborted(QStringLiteral("Aborted"));
}

TVxCancelWaker::TVxCancelWaker(std::function<void()> Wake) : FRun(TVxRunState::Current())
{
    if (FRun)
        FRun->SetWaker(std::move(Wake));
}

TVxCancelWaker::TVxCancelWaker(qintptr SocketDescriptor)
    : TVxCancelWaker([SocketDescriptor] {
          if (SocketDescriptor >= 0)
              ::shutdown(int(SocketDescriptor), SHUT_RDWR);
      })
{
}

TVxCancelWaker::~TVxCancelWaker()
{
    if (FRun)
        FRun->SetWaker(nullptr);
}

// ---- TVxComponent -----------------------------------------------------------------------

TVxComponent::TVxComponent(QObject* Owner) : QObject(Owner), FRun(std::make_shared<TVxRunState>(this)) {}

TVxComponent::~TVxComponent()
{
    EndRun();
}

bool TVxComponent::Running() const
{
    return FRun->Running();
}

void TVxComponent::Cancel()
{
    FRun->Cancel();
}

bool TVxComponent::event(QEvent* Event)
{
    if (Event->type() == TVxRunState::CallEventType()) {
        // Held here: a handler may destroy the component.
        const std::shared_ptr<TVxRunState> Run = FRun;
        Run->ServePending();
        return true;
    }
    if (Event->type() == TVxRunState::FinishedEventType()) {
        FRun->JoinWorker();
        emit finished();
        return true;
    }
    return QObject::event(Event);
}

void TVxComponent::RunCallback(const std::function<void()>& Call) const
{
    FRun->Callback(Call);
}

void TVxComponent::CheckChange(const char* Property) const
{
    FRun->CheckChange(Property);
}

void TVxComponent::MoveRunObjects(QThread*) {}

void TVxComponent::EndRun()
{
    FRun->End();
}

void TVxComponent::CallAsCallback(const std::weak_ptr<TVxRunState>& Run, const std::function<void()>& Call)
{
    if (const std::shared_ptr<TVxRunState> R = Run.lock())
        R->Callback(Call);
    else
        Call();
}

void TVxComponent::StartWorker(std::function<void()> Work, std::function<void()> Report,
                               std::function<bool()> FutureCanceled)
{
    FRun->BeginAsync(std::move(FutureCanceled));
    MoveRunObjects(nullptr);
    const std::shared_ptr<TVxRunState> Run = FRun;
    // A thread of its own for each run: a run holds its thread until it ends, and the
    // thread ends with it, so that nothing stays behind.
    try {
        std::thread([this, Run, Work = std::move(Work), Report = std::move(Report)] {
            // The component lives until WorkerDone: its destructor waits for it.
            Run->AttachWorker();
            MoveRunObjects(QThread::currentThread());
            Work();
            MoveRunObjects(Run->OwnerThread());
            Run->DetachWorker();
            Report();
            Run->WorkerDone();
        }).detach();
    } catch (...) {
        MoveRunObjects(thread());
        FRun->AbandonAsync();
        throw;
    }
}
