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
    Q_PROPERTY(QString Server MEMBER FServer)
    Q_PROPERTY(int Port MEMBER FPort)
public:
    using TVxPersistent::TVxPersistent;
    QString FServer;
    int FPort = 0;
};

class TVxTestItem : public TVxCollectionItem {
    Q_OBJECT
    Q_PROPERTY(QString FileName MEMBER FFileName)
    Q_PROPERTY(TVxTestMethod Method MEMBER FMethod)
public:
    using TVxCollectionItem::TVxCollectionItem;
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
    Q_PROPERTY(QString Text MEMBER FText)
    Q_PROPERTY(int Count READ Count WRITE SetCount)
    Q_PROPERTY(qint64 Big MEMBER FBig)
    Q_PROPERTY(quint16 Small MEMBER FSmall)
    Q_PROPERTY(bool Flag MEMBER FFlag)
    Q_PROPERTY(double Ratio MEMBER FRatio)
    Q_PROPERTY(TVxTestMethod Method MEMBER FMethod)
    Q_PROPERTY(TVxTestRecords Records MEMBER FRecords)
    Q_PROPERTY(QStringList Lines MEMBER FLines)
    Q_PROPERTY(TDateTime When MEMBER FWhen)
    Q_PROPERTY(QByteArray Data MEMBER FData)
    Q_PROPERTY(TVxTestSettings* Settings READ Settings)
    Q_PROPERTY(TVxTestItems* Items READ Items)
    Q_PROPERTY(QString Fixed READ Fixed)
    Q_PROPERTY(int Reads READ Reads)
public:
    explicit TVxTestComponent(QObject* Owner = nullptr) : QObject(Owner) {}
    ~TVxTestComponent() override { delete FItems; }

    int Count() const { return FCount; }
    void SetCount(int V)
    {
        if (V < 0)
            throw EVxConvertError(QStringLiteral("Count must not be negative"));
        FCount = V;
    }
    TVxTestSettings* Settings() const { return FSettings; }
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
    TVxTestSettings* FSettings = new TVxTestSettings(this);
    TVxTestItems* FItems = new TVxTestItems(this);
    mutable int FReads = 0;
};

// A web-style component: Execute returns whether it succeeded.
class TVxTestWebComponent : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool Succeed MEMBER FSucceed)
public:
    using QObject::QObject;
    Q_INVOKABLE bool Execute() { return FSucceed; }
    bool FSucceed = true;
};

// Nothing to execute: only --read and --call apply. Failing cannot be read.
class TVxTestPlain : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Name MEMBER FName)
    Q_PROPERTY(QString Failing READ Failing)
public:
    using QObject::QObject;
    QString Failing() const { throw EVxError(QStringLiteral("Failing cannot be read")); }
    QString FName;
};
