#include <vedidoredo/platform/VxComponent.h>

#include "platform/VxRunState.h"

#include <vedidoredo/platform/VxException.h>

namespace {

thread_local TVxRunState* CurrentRun = nullptr;

}  // namespace

// ---- TVxRunState ------------------------------------------------------------------------

TVxRunState* TVxRunState::Current()
{
    return CurrentRun;
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
    FEnded.notify_all();
}

void TVxRunState::Callback(const std::function<void()>& Call)
{
    const bool OwnCode = Running() && FRunThread.load(std::memory_order_acquire) == QThread::currentThread();
    if (!OwnCode) {
        Call();
        return;
    }
    // Inside the callback the thread runs the handler's code, not the run's.
    struct TDepth {
        TVxRunState& Run;
        TVxRunState* Saved;
        explicit TDepth(TVxRunState& R) : Run(R), Saved(CurrentRun)
        {
            ++Run.FCallbackDepth;
            CurrentRun = nullptr;
        }
        ~TDepth()
        {
            CurrentRun = Saved;
            --Run.FCallbackDepth;
        }
    } Depth(*this);
    Call();
}

void TVxRunState::WaitForEnd()
{
    if (FRunThread.load(std::memory_order_acquire) == QThread::currentThread())
        return;  // the run's own thread (a handler destroying its component) cannot wait for itself
    std::unique_lock Lock(FMutex);
    FEnded.wait(Lock, [this] { return !FRunning.load(std::memory_order_acquire); });
}

void VxRunAsCallback(const std::function<void()>& Call)
{
    if (TVxRunState* Run = TVxRunState::Current())
        Run->Callback(Call);
    else
        Call();
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

void TVxComponent::RunCallback(const std::function<void()>& Call) const
{
    FRun->Callback(Call);
}

void TVxComponent::EndRun()
{
    FRun->WaitForEnd();
}

void TVxComponent::CallAsCallback(const std::weak_ptr<TVxRunState>& Run, const std::function<void()>& Call)
{
    if (const std::shared_ptr<TVxRunState> R = Run.lock())
        R->Callback(Call);
    else
        Call();
}
