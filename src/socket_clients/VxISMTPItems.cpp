// Mail addresses, address lists, attachments and the login of the mail sender.
#include <vedidoredo/VxISMTP.h>
#include <vedidoredo/vxiutil.h>

namespace {

// Strips blanks and control characters (codes up to 32) from both ends.
QString TrimBlanks(const QString& S)
{
    qsizetype First = 0;
    qsizetype Last = S.size();
    while (First < Last && S.at(First).unicode() <= 32)
        ++First;
    while (Last > First && S.at(Last - 1).unicode() <= 32)
        --Last;
    return S.mid(First, Last - First);
}

}  // namespace

// --- TVxIEMailAddress ---------------------------------------------------------------

TVxIEMailAddress::TVxIEMailAddress(TVxCollection* Collection) : TVxCollectionItem(Collection) {}

QString TVxIEMailAddress::GetText() const
{
    if (!FName.isEmpty() && FName != FAddress.toUpper())
        return FName + QStringLiteral(" <") + FAddress + QLatin1Char('>');
    return FAddress;
}

void TVxIEMailAddress::SetText(const QString& Value)
{
    CheckChange("Text");
    FAddress.clear();
    FName.clear();
    if (Value.isEmpty())
        return;
    const QChar Last = Value.back();
    // "Name <Address>" and "Address (Name)" differ only in which part is bracketed.
    auto Split = [&](QChar Open, QString& Inside, QString& Before) {
        const qsizetype P = Value.indexOf(Open);
        if (P < 0)
            return;
        Inside = TrimBlanks(Value.mid(P + 1, Value.size() - 1 - (P + 1)));
        Before = TrimBlanks(Value.left(P));
    };
    if (Last == QLatin1Char('>'))
        Split(QLatin1Char('<'), FAddress, FName);
    else if (Last == QLatin1Char(')'))
        Split(QLatin1Char('('), FName, FAddress);
    else
        FAddress = Value;
    while (FName.size() > 1) {
        const QChar F = FName.front();
        if ((F == QLatin1Char('"') || F == QLatin1Char('\'')) && FName.back() == F)
            FName = FName.mid(1, FName.size() - 2);
        else
            break;
    }
}

void TVxIEMailAddress::Assign(TVxPersistent* Source)
{
    if (auto* A = qobject_cast<TVxIEMailAddress*>(Source)) {
        FAddress = A->FAddress;
        FName = A->FName;
        return;
    }
    TVxCollectionItem::Assign(Source);
}

// --- TVxIEMailAddresses -------------------------------------------------------------

TVxIEMailAddresses::TVxIEMailAddresses(QObject* AOwner)
    : TVxCollection([](TVxCollection* C) { return new TVxIEMailAddress(C); }, AOwner)
{
}

TVxIEMailAddress* TVxIEMailAddresses::Add()
{
    return static_cast<TVxIEMailAddress*>(AddItem());
}

TVxIEMailAddress* TVxIEMailAddresses::GetItem(int Index) const
{
    return static_cast<TVxIEMailAddress*>(Item(Index));
}

void TVxIEMailAddresses::SetItem(int Index, TVxIEMailAddress* Value)
{
    CheckChange("Item");
    GetItem(Index)->Assign(Value);
}

QString TVxIEMailAddresses::GetEMailAddresses() const
{
    QStringList Texts;
    for (int I = 0; I < Count(); ++I)
        Texts.append(GetItem(I)->GetText());
    return Texts.join(QStringLiteral(", "));
}

void TVxIEMailAddresses::SetEMailAddresses(const QString& Value)
{
    CheckChange("EMailAddresses");
    BeginUpdate();
    Clear();
    auto AddEntry = [this](const QString& Entry) {
        const QString T = TrimBlanks(Entry);
        if (!T.isEmpty())
            Add()->SetText(T);
    };
    qsizetype Start = 0;
    int Quotes = 0;
    for (qsizetype I = 0; I < Value.size(); ++I) {
        const QChar C = Value.at(I);
        if (C == QLatin1Char('"')) {
            ++Quotes;
        } else if (C == QLatin1Char(',') && Quotes != 1) {
            AddEntry(Value.mid(Start, I - Start));
            Start = I + 1;
            Quotes = 0;
        }
    }
    AddEntry(Value.mid(Start));
    EndUpdate();
}

void TVxIEMailAddresses::FillTStrings(QStringList& AStrings) const
{
    for (int I = 0; I < Count(); ++I)
        AStrings.append(GetItem(I)->GetText());
}

// --- TVxIEMailAttachment ------------------------------------------------------------

TVxIEMailAttachment::TVxIEMailAttachment(TVxCollection* Collection) : TVxCollectionItem(Collection)
{
}

QString TVxIEMailAttachment::GetAttachmentName() const
{
    if (!FAttachmentName.isEmpty())
        return FAttachmentName;
    // The text after the last path delimiter of either kind, or after a drive colon.
    qsizetype P = qMax(FFileName.lastIndexOf(QLatin1Char('/')),
                       FFileName.lastIndexOf(QLatin1Char('\\')));
    if (P < 0 && FFileName.size() >= 2 && FFileName.at(1) == QLatin1Char(':'))
        P = 1;
    return FFileName.mid(P + 1);
}

void TVxIEMailAttachment::DetectContentType()
{
    FContentType = ContentTypeByFile(FFileName);
}

void TVxIEMailAttachment::Assign(TVxPersistent* Source)
{
    if (auto* A = qobject_cast<TVxIEMailAttachment*>(Source)) {
        FAttachmentName = A->FAttachmentName;
        FContentType = A->FContentType;
        FEncoding = A->FEncoding;
        FFileName = A->FFileName;
        return;
    }
    TVxCollectionItem::Assign(Source);
}

// --- TVxIEMailAttachments -----------------------------------------------------------

TVxIEMailAttachments::TVxIEMailAttachments(QObject* AOwner)
    : TVxCollection([](TVxCollection* C) { return new TVxIEMailAttachment(C); }, AOwner)
{
}

TVxIEMailAttachment* TVxIEMailAttachments::Add()
{
    return static_cast<TVxIEMailAttachment*>(AddItem());
}

TVxIEMailAttachment* TVxIEMailAttachments::GetItem(int Index) const
{
    return static_cast<TVxIEMailAttachment*>(Item(Index));
}

void TVxIEMailAttachments::SetItem(int Index, TVxIEMailAttachment* Value)
{
    CheckChange("Item");
    GetItem(Index)->Assign(Value);
}

// --- TVxILogin ----------------------------------------------------------------------

TVxILogin::TVxILogin(QObject* Owner) : TVxPersistent(Owner) {}

void TVxILogin::Assign(TVxPersistent* Source)
{
    if (auto* L = qobject_cast<TVxILogin*>(Source)) {
        FUserID = L->FUserID;
        FPassword = L->FPassword;
        FUseLogin = L->FUseLogin;
        return;
    }
    TVxPersistent::Assign(Source);
}
