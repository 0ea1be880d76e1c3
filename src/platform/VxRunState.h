// The run state of one component (TVxComponent): whether a run is going, on which thread
// its own code runs, whether that code is inside one of the run's callbacks, whether the
// run was asked to stop, and, for a run on a worker thread, the hand-over of its callbacks
// to the thread that owns the component.
//
// Callbacks of an asynchronous run: the worker posts the call to the owning thread and
// waits for it to be done there. A run started inside the owning thread's running event
// loop always waits so. A run started outside one (a console program's main() before or
// without exec(), a thread that runs no loop) may be waited for with
// QFuture::waitForFinished() or result(): when the owning thread has not taken a call up
// after CallGraceMs, the worker runs it itself, and so the following ones until the
// owning thread comes to that call's event; a thread without an event dispatcher gets
// every call on the worker.
#pragma once

#include <vedidoredo/platform/VxComponent.h>

#include <QEvent>
#include <QThread>

#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>

class TVxRunState : public std::enable_shared_from_this<TVxRunState> {
public:
    // How long a callback waits for an owning thread that shows no sign of processing
    // events before the worker runs it itself.
    static constexpr int CallGraceMs = 250;
    // The longest wait of the library's blocking calls between two looks at Cancelled().
    static constexpr int CancelPollMs = 50;

    explicit TVxRunState(TVxComponent* Component) : FComponent(Component) {}
    TVxRunState(const TVxRunState&) = delete;
    TVxRunState& operator=(const TVxRunState&) = delete;

    // Begins a run on the calling thread, or joins the run going on when its own code calls
    // again (not from inside a callback). Raises EVxError "already running" otherwise.
    void Enter();
    // Ends what Enter began; the outermost Leave ends the run.
    void Leave();
    bool Running() const { return FRunning.load(std::memory_order_acquire); }
    // Whether the run goes on a worker thread.
    bool Async() const { return FAsync.load(std::memory_order_acquire); }

    // Raises "cannot change Property while running" unless the component is idle, or the
    // run's own code or one of its callbacks (which the run waits for) asks.
    void CheckChange(const char* Property) const;

    // Calls Call as a callback of the run: an operation it starts on the component raises
    // "already running", and during an asynchronous run it runs on the owning thread.
    // Once the component is being destroyed, callbacks of its run are skipped.
    void Callback(const std::function<void()>& Call);

    // Asks the run to stop (any thread); the run's blocking calls notice it within
    // CancelPollMs, or at once through the waker of the one waiting.
    void Cancel();
    // Whether the run was asked to stop: Cancel, or its future cancelled.
    bool Cancelled() const;
    // A function that wakes the run's current wait (set by the run's own code, cleared
    // with an empty one).
    void SetWaker(std::function<void()> Waker);

    // An asynchronous run: BeginAsync on the calling thread (raises "already running"),
    // then on the worker AttachWorker, the work, DetachWorker (the run has ended), the
    // report of the result, WorkerDone.
    void BeginAsync(std::function<bool()> FutureCanceled);
    void AttachWorker();
    void DetachWorker();
    void WorkerDone();
    // Undoes BeginAsync when no worker could be started.
    void AbandonAsync();

    // On the owning thread: runs the call a worker posted, if one is waiting.
    void ServePending();
    // On the owning thread, before it tells of a run's end: takes the lock the worker
    // released last, so that what the worker wrote is seen.
    void JoinWorker();

    // Cancels a run going on another thread and waits for its end, and for the worker of an
    // asynchronous run to be gone; from then on no callback of the component runs.
    void End();

    QThread* OwnerThread() const { return FOwnerThread; }

    // The run whose own code is running on the calling thread (nullptr outside runs and
    // inside their callbacks).
    static TVxRunState* Current();
    // The event types the component handles for its runs.
    static QEvent::Type CallEventType();
    static QEvent::Type FinishedEventType();

private:
    enum class TCallState { None, Posted, Taken, Done, Abandoned };

    void Direct(const std::function<void()>& Call);
    // Cancel, with FMutex held.
    void CancelLocked();
    void Marshal(const std::function<void()>& Call);

    TVxComponent* FComponent;
    std::atomic<bool> FRunning{false};
    std::atomic<bool> FAsync{false};
    std::atomic<bool> FCancel{false};
    // The thread the run's code runs on; nullptr while no run is going (and while an
    // asynchronous run waits for its worker).
    std::atomic<QThread*> FRunThread{nullptr};
    // The owning thread while it runs a callback a worker waits for.
    std::atomic<QThread*> FServingThread{nullptr};
    // Touched by the run's thread only.
    int FNesting = 0;
    int FCallbackDepth = 0;
    TVxRunState* FOuterCurrent = nullptr;
    std::function<bool()> FFutureCanceled;

    // The rest under FMutex.
    mutable std::mutex FMutex;
    std::condition_variable FChanged;
    QThread* FOwnerThread = nullptr;
    int FLiveWorkers = 0;
    bool FClosing = false;
    std::function<void()> FWaker;
    const std::function<void()>* FPendingCall = nullptr;
    TCallState FCallState = TCallState::None;
    std::exception_ptr FCallError;
    // Callbacks run on the worker (the owning thread processes no events).
    bool FDirect = false;
    // Whether callbacks may go to the worker when the owning thread does not take them up.
    bool FMayRunDirect = true;
};

// Enter and Leave for a scope. The scope keeps the run state alive: a handler may destroy
// the component during its run, and the run still ends.
class TVxRunScope {
public:
    explicit TVxRunScope(TVxRunState& Run) : FKeep(Run.shared_from_this()), FRun(Run) { FRun.Enter(); }
    ~TVxRunScope() { FRun.Leave(); }
    TVxRunScope(const TVxRunScope&) = delete;
    TVxRunScope& operator=(const TVxRunScope&) = delete;

private:
    std::shared_ptr<TVxRunState> FKeep;
    TVxRunState& FRun;
};

// Runs Call as a callback of the run going on on the calling thread, if any: for hooks the
// library calls from inside runs (the logon prompt, message boxes).
void VxRunAsCallback(const std::function<void()>& Call);

// Whether the run going on on the calling thread was asked to stop.
bool VxRunCancelled();
// Raises EVxAborted "Aborted" when it was.
void VxCheckCancelled();
// While it lives, Cancel of the calling thread's run calls Wake (from the cancelling thread).
class TVxCancelWaker {
public:
    explicit TVxCancelWaker(std::function<void()> Wake);
    // Cancel shuts the socket with this descriptor down: every wait on it ends at once.
    explicit TVxCancelWaker(qintptr SocketDescriptor);
    ~TVxCancelWaker();
    TVxCancelWaker(const TVxCancelWaker&) = delete;
    TVxCancelWaker& operator=(const TVxCancelWaker&) = delete;

private:
    TVxRunState* FRun;
};
