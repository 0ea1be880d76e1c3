/// \file
/// The base of every component that runs an operation (Execute, LoadFromFile, a
/// translator call): one run at a time, and the events a run raises.
///
/// A run is the whole of one operation. While it goes, a second one on the same component,
/// from another thread or from a handler of the running one (a handler that pumps events
/// lets a second click through), raises EVxError "already running". The run's own code may
/// call operations of its component again: an override of Execute calls the base's.
#pragma once

#include <vedidoredo/VxGlobal.h>

#include <QObject>
#include <functional>
#include <memory>
#include <utility>

class TVxRunState;

/// The base of the components that run operations: the socket clients (TVxInetBase), the
/// web components (TVxCustomWebComponent) and the XML engine. It keeps the run going on.
class VX_CORE_EXPORT TVxComponent : public QObject {
    Q_OBJECT
public:
    /// Creates the component, owned by Owner (which destroys it) when one is given.
    explicit TVxComponent(QObject* Owner = nullptr);
    /// Ends a run still going (see EndRun) before the component goes.
    ~TVxComponent() override;

    /// Whether a run of this component is going.
    bool Running() const;

protected:
    /// Wraps an event handler as the component's setters store it: called during a run,
    /// the handler counts as a callback of the run (an operation it starts on this
    /// component raises "already running"). An empty handler stays empty.
    template <typename... A>
    std::function<void(A...)> Guarded(std::function<void(A...)> Handler) const;

    /// Runs Call as a callback of the current run of this component (see Guarded); outside
    /// a run it is simply called. For windows and other hooks a run calls.
    void RunCallback(const std::function<void()>& Call) const;

    /// Ends a run that is still going and waits for its end. A subclass whose run uses
    /// members of its own calls it first in its destructor, before those members go.
    void EndRun();

    /// The run of this component, for the library's sources.
    TVxRunState& RunState() const { return *FRun; }

private:
    static void CallAsCallback(const std::weak_ptr<TVxRunState>& Run, const std::function<void()>& Call);

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
