/// \file
/// The base of every component that runs an operation (Execute, LoadFromFile, a
/// translator call): one run at a time, the events a run raises, runs on a worker thread.
///
/// A run is the whole of one operation. While it goes, a second one on the same component,
/// from another thread or from a handler of the running one (a handler that pumps events
/// lets a second click through), raises EVxError "already running", and setting a property
/// raises "cannot change PROPERTY while running" (the settings objects a component owns,
/// Proxy and the like, included), except from the run's own callbacks, which the run waits
/// for (an OnRedirect handler sets the next request's Port). The run's own code may call
/// operations of its component again: an override of Execute calls the base's.
///
/// The asynchronous forms (ExecuteAsync and the like) run the same work on a worker thread
/// and return a QFuture of what the blocking form returns; a failure the blocking form
/// raises is the future's exception. During such a run every callback the component raises,
/// and every window it shows (the logon prompt, the status window), runs on the thread that
/// owns the component (its QObject thread), in the order the blocking form raises them, and
/// the worker waits for it, so answers (Abort, Accept, a replaced text) are honoured. The
/// owning thread must process events for that. A run started inside the owning thread's
/// running event loop (a button's handler) always waits for it: do not wait on its future
/// there (use QFuture::then() or finished()). A run started outside a running event loop (a
/// console program's main(), a thread without a loop) may be waited for with
/// QFuture::waitForFinished() or result(): when the owning thread has not taken a callback
/// up after a quarter of a second, the worker runs that callback, and the next ones,
/// itself until the owning thread processes events again. Windows are then not shown (they
/// can only be shown on the application's thread), and the logon prompt answers Cancel. Read the
/// component's properties in its callbacks or after the run; a run leaves no thread,
/// socket or file open behind it (a kept connection goes back to the owning thread).
#pragma once

#include <vedidoredo/VxGlobal.h>

#include <QFuture>
#include <QObject>
#include <QPromise>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

class QThread;
class TVxRunState;

/// The base of the components that run operations: the socket clients (TVxInetBase), the
/// web components (TVxCustomWebComponent) and the XML engine. It keeps the run going on.
class VX_CORE_EXPORT TVxComponent : public QObject {
    Q_OBJECT
public:
    /// Creates the component, owned by Owner (which destroys it) when one is given.
    explicit TVxComponent(QObject* Owner = nullptr);
    /// Cancels a run still going and waits for its end (see EndRun).
    ~TVxComponent() override;

    /// Whether a run of this component is going (from the start of an asynchronous run
    /// until just before its future finishes).
    bool Running() const;

    /// Asks the run going on, blocking or asynchronous, to stop; callable from any thread.
    /// It ends as an abort ends: a web component's run with Status isFailed and LastError
    /// "Download aborted" (no partial file is left), a socket client's with EVxAborted.
    /// Cancelling the future of an asynchronous run does the same. Without a run it does
    /// nothing.
    Q_INVOKABLE void Cancel();

    /// Handles the events of asynchronous runs.
    bool event(QEvent* Event) override;

signals:
    /// Emitted on the owning thread when an asynchronous run has ended, after its future
    /// finished. Not emitted for blocking runs, nor once the component is being destroyed.
    void finished();

protected:
    /// Wraps an event handler as the component's setters store it: called during a run,
    /// the handler is a callback of the run (on the owning thread during an asynchronous
    /// run; an operation it starts on this component raises "already running"). An empty
    /// handler stays empty.
    template <typename... A>
    std::function<void(A...)> Guarded(std::function<void(A...)> Handler) const;

    /// Runs Call as a callback of the current run of this component (see Guarded); outside
    /// a run it is simply called. For windows and other hooks a run calls.
    void RunCallback(const std::function<void()>& Call) const;

    /// For property setters: raises EVxError "cannot change Property while running" while a
    /// run is going, unless the run's own code or one of its callbacks sets it.
    void CheckChange(const char* Property) const;

    /// Starts Work, which runs the blocking operation, as an asynchronous run on a worker
    /// thread and returns its future; raises "already running" while a run is going.
    template <typename T>
    QFuture<T> RunAsync(std::function<T()> Work);

    /// Qt objects that a run uses and that outlive it (a kept connection) move to Thread:
    /// nullptr before an asynchronous run starts (on the calling thread), the worker thread
    /// when it starts, the owning thread when it ends. The default has none.
    virtual void MoveRunObjects(QThread* Thread);

    /// Cancels a run that is still going and waits for its end; afterwards no callback of
    /// the component runs. A subclass whose run uses members of its own calls it first in
    /// its destructor, before those members go.
    void EndRun();

    /// The run of this component, for the library's sources.
    TVxRunState& RunState() const { return *FRun; }

private:
    friend class TVxPersistent;  // its CheckChange asks the component that owns it
    static void CallAsCallback(const std::weak_ptr<TVxRunState>& Run, const std::function<void()>& Call);
    // Begins an asynchronous run and starts it on a worker thread: Work runs the operation,
    // then the run ends, then Report finishes the future.
    void StartWorker(std::function<void()> Work, std::function<void()> Report,
                     std::function<bool()> FutureCanceled);

    std::shared_ptr<TVxRunState> FRun;
};

template <typename... A>
std::function<void(A...)> TVxComponent::Guarded(std::function<void(A...)> Handler) const
{
    if (!Handler)
        return Handler;
    /// The run is held weakly: a copy of the handler given to another component stays
    /// callable after this one is gone.
    return [Run = std::weak_ptr<TVxRunState>(FRun), Handler = std::move(Handler)](A... Args) {
        CallAsCallback(Run, [&] { Handler(std::forward<A>(Args)...); });
    };
}

template <typename T>
QFuture<T> TVxComponent::RunAsync(std::function<T()> Work)
{
    struct TNone {};
    struct TState {
        QPromise<T> Promise;
        std::optional<std::conditional_t<std::is_void_v<T>, TNone, T>> Value;
        std::exception_ptr Error;
    };
    auto State = std::make_shared<TState>();
    QFuture<T> Future = State->Promise.future();
    State->Promise.start();
    StartWorker(
        [State, Work = std::move(Work)] {
            try {
                if constexpr (std::is_void_v<T>) {
                    Work();
                    State->Value.emplace();
                } else {
                    State->Value.emplace(Work());
                }
            } catch (...) {
                State->Error = std::current_exception();
            }
        },
        // After the run's end, so that a waiter woken by the result finds the component idle.
        [State] {
            if (State->Error)
                State->Promise.setException(State->Error);
            else if constexpr (!std::is_void_v<T>)
                State->Promise.addResult(std::move(*State->Value));
            State->Promise.finish();
        },
        [State] { return State->Promise.isCanceled(); });
    return Future;
}
