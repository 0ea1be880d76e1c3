/// \file
/// Assignable settings objects: the base of proxy settings, logins, addresses and
/// collection items. Assign copies from an object of the same kind; any other source
/// fails with EVxConvertError ("Cannot assign a X to a Y").
#pragma once

#include <vedidoredo/VxGlobal.h>
#include <vedidoredo/platform/VxException.h>

#include <QObject>

/// The base of settings objects: copies itself with Assign.
class VX_CORE_EXPORT TVxPersistent : public QObject {
    Q_OBJECT
public:
    /// Creates the object, owned by Owner (none when nullptr), which frees it.
    explicit TVxPersistent(QObject* Owner = nullptr);
    /// Frees the object and everything it owns.
    ~TVxPersistent() override;

    /// Copies Source into this object. Subclasses handle their own class and call the
    /// base for anything else; the base asks Source to AssignTo this object, which fails
    /// unless Source knows how.
    virtual void Assign(TVxPersistent* Source);

    /// The persistence owner (a collection reports its component). nullptr by default.
    virtual QObject* GetOwner() const;

protected:
    /// Copies this object into Dest when Dest's class does not know how; raises EVxConvertError.
    virtual void AssignTo(TVxPersistent* Dest);
    /// For property setters of settings objects a component owns: raises EVxError "cannot
    /// change Property while running" while a run of that component is going, unless the
    /// run's own code or one of its callbacks sets it.
    void CheckChange(const char* Property) const;
    /// Raises EVxConvertError saying that Source cannot be assigned to this object.
    [[noreturn]] void AssignError(const TVxPersistent* Source) const;
};
