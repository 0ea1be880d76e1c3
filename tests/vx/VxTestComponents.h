// Components that exist only in the tests, with a property of every kind `vx run`
// handles, registered under their names like the library's classes.
#pragma once

#include <vedidoredo/platform/VxCollection.h>
#include <vedidoredo/platform/VxDateTime.h>
#include <vedidoredo/platform/VxException.h>

#include <QObject>
#include <QStringList>
#include <stdexcept>

namespace VxTestEnums {
Q_NAMESPACE
enum TVxTestMethod { tmGet, tmPost, tmHead };
Q_ENUM_NS(TVxTestMethod)
enum TVxTestRecord { trA = 0x1, trMX = 0x2, trNS = 0x4 };
Q_DECLARE_FLAGS(TVxTestRecords, TVxTestRecord)
Q_FLAG_NS(TVxTestRecords)
}  // namespace VxTestEnums
using VxTestEnums::TVxTestMethod;
using VxTestEnums::TVxTestRecord;
using VxTestEnums::TVxTestRecords;
using enum VxTestEnums::TVxTestMethod;
using enum VxTestEnums::TVxTestRecord;
Q_DECLARE_OPERATORS_FOR_FLAGS(VxTestEnums::TVxTestRecords)

// An owned settings object, reached as Settings.Server=...
class TVxTestSettings : public TVxPersistent {
    Q_OBJECT
    Q_PROPERTY(QString Server READ Server WRITE SetServer)
    Q_PROPERTY(int Port READ Port WRITE SetPort)
public:
    using TVxPersistent::TVxPersistent;
    QString Server() const { return FServer; }
    void SetServer(const QString& V) { FServer = V; }
    int Port() const { return FPort; }
    void SetPort(int V) { FPort = V; }

private:
    QString FServer;
    int FPort = 0;
};

class TVxTestItem : public TVxCollectionItem {
    Q_OBJECT
    Q_PROPERTY(QString FileName READ FileName WRITE SetFileName)
    Q_PROPERTY(TVxTestMethod Method READ Method WRITE SetMethod)
public:
    using TVxCollectionItem::TVxCollectionItem;
    QString FileName() const { return FFileName; }
    void SetFileName(const QString& V) { FFileName = V; }
    TVxTestMethod Method() const { return FMethod; }
    void SetMethod(TVxTestMethod V) { FMethod = V; }

private:
    QString FFileName;
    TVxTestMethod FMethod = tmGet;
};

class TVxTestItems : public TVxCollection {
    Q_OBJECT
public:
    explicit TVxTestItems(QObject* Owner)
        : TVxCollection([](TVxCollection* C) { return new TVxTestItem(C); }, Owner)
    {
    }
};

// A socket-style component: Execute returns the answer text.
class TVxTestComponent : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Text READ Text WRITE SetText)
    Q_PROPERTY(int Count READ Count WRITE SetCount)
    Q_PROPERTY(qint64 Big READ Big WRITE SetBig)
    Q_PROPERTY(quint16 Small READ Small WRITE SetSmall)
    Q_PROPERTY(bool Flag READ Flag WRITE SetFlag)
    Q_PROPERTY(double Ratio READ Ratio WRITE SetRatio)
    Q_PROPERTY(TVxTestMethod Method READ Method WRITE SetMethod)
    Q_PROPERTY(TVxTestRecords Records READ Records WRITE SetRecords)
    Q_PROPERTY(QStringList Lines READ Lines WRITE SetLines)
    Q_PROPERTY(TDateTime When READ When WRITE SetWhen)
    Q_PROPERTY(QByteArray Data READ Data WRITE SetData)
    Q_PROPERTY(TVxTestSettings* Settings READ Settings WRITE SetSettings)
    Q_PROPERTY(TVxTestItems* Items READ Items)
    Q_PROPERTY(QString Fixed READ Fixed)
    Q_PROPERTY(int Reads READ Reads)
public:
    explicit TVxTestComponent(QObject* Owner = nullptr)
        : QObject(Owner), FSettings(new TVxTestSettings(this)), FItems(new TVxTestItems(this))
    {
    }
    ~TVxTestComponent() override { delete FItems; }

    QString Text() const { return FText; }
    void SetText(const QString& V) { FText = V; }
    int Count() const { return FCount; }
    void SetCount(int V)
    {
        if (V < 0)
            throw EVxConvertError(QStringLiteral("Count must not be negative"));
        FCount = V;
    }
    qint64 Big() const { return FBig; }
    void SetBig(qint64 V) { FBig = V; }
    quint16 Small() const { return FSmall; }
    void SetSmall(quint16 V) { FSmall = V; }
    bool Flag() const { return FFlag; }
    void SetFlag(bool V) { FFlag = V; }
    double Ratio() const { return FRatio; }
    void SetRatio(double V) { FRatio = V; }
    TVxTestMethod Method() const { return FMethod; }
    void SetMethod(TVxTestMethod V) { FMethod = V; }
    TVxTestRecords Records() const { return FRecords; }
    void SetRecords(TVxTestRecords V) { FRecords = V; }
    QStringList Lines() const { return FLines; }
    void SetLines(const QStringList& V) { FLines = V; }
    TDateTime When() const { return FWhen; }
    void SetWhen(TDateTime V) { FWhen = V; }
    QByteArray Data() const { return FData; }
    void SetData(const QByteArray& V) { FData = V; }
    TVxTestSettings* Settings() const { return FSettings; }
    void SetSettings(TVxTestSettings* V) { FSettings->SetServer(V->Server()); FSettings->SetPort(V->Port()); }
    TVxTestItems* Items() const { return FItems; }
    QString Fixed() const { return QStringLiteral("fixed"); }
    // Counts its own reads: a property read for --read must not be read again for --json.
    int Reads() const { return ++FReads; }

    // The answer is Text; Count=13 fails with a library exception, 14 with another one.
    Q_INVOKABLE QString Execute()
    {
        if (FCount == 13)
            throw EVxError(QStringLiteral("Host/Address is not defined."));
        if (FCount == 14)
            throw std::runtime_error("out of luck");
        return FText;
    }
    Q_INVOKABLE void Clear()
    {
        FText.clear();
        FLines.clear();
    }
    Q_INVOKABLE int Sum() const { return FCount + int(FLines.size()); }
    Q_INVOKABLE void Take(int V) { FCount = V; }

private:
    QString FText;
    int FCount = 0;
    qint64 FBig = 0;
    quint16 FSmall = 0;
    bool FFlag = false;
    double FRatio = 0;
    TVxTestMethod FMethod = tmGet;
    TVxTestRecords FRecords;
    QStringList FLines;
    TDateTime FWhen;
    QByteArray FData;
    TVxTestSettings* FSettings;
    TVxTestItems* FItems;
    mutable int FReads = 0;
};

// A web-style component: Execute returns whether it succeeded.
class TVxTestWebComponent : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool Succeed READ Succeed WRITE SetSucceed)
public:
    explicit TVxTestWebComponent(QObject* Owner = nullptr) : QObject(Owner) {}
    bool Succeed() const { return FSucceed; }
    void SetSucceed(bool V) { FSucceed = V; }
    Q_INVOKABLE bool Execute() { return FSucceed; }

private:
    bool FSucceed = true;
};

// Nothing to execute: only --read and --call apply. Failing cannot be read.
class TVxTestPlain : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Name READ Name WRITE SetName)
    Q_PROPERTY(QString Failing READ Failing)
public:
    explicit TVxTestPlain(QObject* Owner = nullptr) : QObject(Owner) {}
    QString Name() const { return FName; }
    void SetName(const QString& V) { FName = V; }
    QString Failing() const { throw EVxError(QStringLiteral("Failing cannot be read")); }

private:
    QString FName;
};
