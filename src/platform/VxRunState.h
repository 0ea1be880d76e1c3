// The run state of one component (TVxComponent): whether a run is going, on which thread
// its own code runs, and whether that code is inside one of the run's callbacks.
#pragma once

#include <vedidoredo/platform/VxComponent.h>

#include <QThread>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

class TVxRunState : public std::enable_shared_from_this<TVxRunState> {
public:
    explicit TVxRunState(TVxComponent* Component) : FComponent(Component) {}
    TVxRunState(const TVxRunState&) = delete;
    TVxRunState& operator=(const TVxRunState&) = delete;

    // Begins a run on the calling thread, or joins the run going on when its own code calls
    // again (not from inside a callback). Raises EVxError "already running" otherwise.
    void Enter();
    // Ends what Enter began; the outermost Leave ends the run.
    void Leave();
    bool Running() const { return FRunning.load(std::memory_order_acquire); }

    // Calls Call as a callback of the run: an operation it starts on the component raises
    // "already running".
    void Callback(const std::function<void()>& Call);

    // Waits for a run going on another thread to end.
    void WaitForEnd();

    // The run whose own code is running on the calling thread (nullptr outside runs and
    // inside their callbacks).
    static TVxRunState* Current();

    TVxComponent* Component() const { return FComponent; }

private:
    TVxComponent* FComponent;
    std::atomic<bool> FRunning{false};
    // The thread the run's code runs on; nullptr while no run is going.
    std::atomic<QThread*> FRunThread{nullptr};
    // Touched by the run's thread only.
    int FNesting = 0;
    int FCallbackDepth = 0;
    TVxRunState* FOuterCurrent = nullptr;
    std::mutex FMutex;
    std::condition_variable FEnded;
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
