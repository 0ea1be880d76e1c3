#include <vedidoredo/platform/VxPersistent.h>

#include <vedidoredo/platform/VxComponent.h>

TVxPersistent::TVxPersistent(QObject* Owner) : QObject(Owner) {}

TVxPersistent::~TVxPersistent() = default;

void TVxPersistent::Assign(TVxPersistent* Source)
{
    if (Source)
        Source->AssignTo(this);
    else
        AssignError(nullptr);
}

QObject* TVxPersistent::GetOwner() const
{
    return nullptr;
}

void TVxPersistent::AssignTo(TVxPersistent* Dest)
{
    Dest->AssignError(this);
}

void TVxPersistent::AssignError(const TVxPersistent* Source) const
{
    const QString SourceName =
        Source ? QString::fromLatin1(Source->metaObject()->className()) : QStringLiteral("nil");
    throw EVxConvertError(QStringLiteral("Cannot assign a %1 to a %2")
                              .arg(SourceName, QString::fromLatin1(metaObject()->className())));
}

void TVxPersistent::CheckChange(const char* Property) const
{
    // The component above: through the persistence owners (an item's collection, a
    // collection's component) and the QObject parents.
    const QObject* O = this;
    for (int Depth = 0; O && Depth < 8; ++Depth) {
        if (const auto* Component = qobject_cast<const TVxComponent*>(O)) {
            Component->CheckChange(Property);
            return;
        }
        const auto* P = qobject_cast<const TVxPersistent*>(O);
        O = P && P->GetOwner() ? P->GetOwner() : O->parent();
    }
}
