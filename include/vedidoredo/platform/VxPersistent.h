// Assignable settings objects: the base of proxy settings, logins, addresses and
// collection items. Assign copies from an object of the same kind; any other source
// fails with EVxConvertError ("Cannot assign a X to a Y").
#pragma once

#include <vedidoredo/VxGlobal.h>
#include <vedidoredo/platform/VxException.h>

#include <QObject>

class VX_CORE_EXPORT TVxPersistent : public QObject {
    Q_OBJECT
public:
    explicit TVxPersistent(QObject* Owner = nullptr);
    ~TVxPersistent() override;

    // Copies Source into this object. Subclasses handle their own class and call the
    // base for anything else; the base asks Source to AssignTo this object, which fails
    // unless Source knows how.
    virtual void Assign(TVxPersistent* Source);

    // The persistence owner (a collection reports its component). nullptr by default.
    virtual QObject* GetOwner() const;

protected:
    virtual void AssignTo(TVxPersistent* Dest);
    // For property setters of settings objects a component owns: raises EVxError "cannot
    // change Property while running" while a run of that component is going, unless the
    // run's own code sets it.
    void CheckChange(const char* Property) const;
    [[noreturn]] void AssignError(const TVxPersistent* Source) const;
};
