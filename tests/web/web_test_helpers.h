// Helpers shared by the web unit tests: a component whose work is a test function and
// which opens the toolkit up, and a log of its notifications.
#pragma once

#include "support/qstring_print.h"
#include "support/test_files.h"

#include <vedidoredo/vxiupdate.h>

#include <QMetaEnum>
#include <QString>
#include <functional>

class TProbeComponent : public TVxCustomWebComponent {
public:
    explicit TProbeComponent(QObject* Owner = nullptr) : TVxCustomWebComponent(Owner) {}
    std::function<void(TProbeComponent*)> Work;

    using TVxCustomWebComponent::ConnectToInet;
    using TVxCustomWebComponent::DisconnectFromInet;
    using TVxCustomWebComponent::GetFileInfoFromInet;
    using TVxCustomWebComponent::ReadDirFromInet;
    using TVxCustomWebComponent::ReadFileFromInet;
    using TVxCustomWebComponent::ReadHTTPGetResponse;
    using TVxCustomWebComponent::ReadHTTPGetResponseString;
    bool HasSession() const { return hInet != nullptr; }
    bool HasConnection() const { return hURL != nullptr; }

protected:
    void InternalExecute() override
    {
        if (Work)
            Work(this);
    }
};

// Records the order of the notifications of one component: "A:<action>", "S:<status>",
// "P:<cur>/<max>", "before", "after", "compare".
struct TEventLog {
    QStringList Events;
    void Attach(TVxCustomWebComponent* C)
    {
        C->SetOnActionChange([this, C](QObject*) { Events << QStringLiteral("A:%1").arg(Name(C->Action())); });
        C->SetOnStatusChange([this, C](QObject*) { Events << QStringLiteral("S:%1").arg(Name(C->Status())); });
        C->SetOnProgress([this](QObject*, qint64 Cur, qint64 Max, bool&) { Events << QStringLiteral("P:%1/%2").arg(Cur).arg(Max); });
        C->SetOnBeforeExecute([this](QObject*) { Events << QStringLiteral("before"); });
        C->SetOnAfterExecute([this](QObject*) { Events << QStringLiteral("after"); });
    }
    template <typename E>
    static QString Name(E Value)
    {
        return QString::fromLatin1(QMetaEnum::fromType<E>().valueToKey(Value));
    }
    QStringList Actions() const { return Events.filter(QStringLiteral("A:")); }
    int Count(const QString& Prefix) const { return Events.filter(Prefix).size(); }
};
