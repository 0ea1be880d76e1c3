#include <vedidoredo/platform/VxPersistent.h>

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
