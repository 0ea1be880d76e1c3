// The UPS tracker against a TLS server in the test that checks the request byte for
// byte, and the reading of answers.
#include "support/xml_test_helpers.h"

#include "support/scripted_tls_server.h"

#include <vedidoredo/VxIUPS.h>

#include <gtest/gtest.h>

#include <mutex>

namespace {

const QByteArray ExpectedBody =
    "<?xml version=\"1.0\"?><AccessRequest xml:lang=\"en-US\"><AccessLicenseNumber>KEY-1</AccessLicenseNumber>\r\n"
    "<UserId>qzx</UserId><Password>qzx</Password></AccessRequest>\r\n"
    "<?xml version=\"1.0\"?><TrackRequest xml:lang=\"en-US\"><Request><TransactionReference>\r\n"
    "<CustomerContext>Quillmoss Tracker</CustomerContext><XpciVersion>1.0</XpciVersion></TransactionReference>\r\n"
    "<RequestAction>Track</RequestAction><RequestOption>activity</RequestOption></Request>\r\n"
    "<TrackingNumber>#1Z999</TrackingNumber></TrackRequest>";

// A shipment with two activities; "shipment" in lower case is found all the same, the
// "activity" child in lower case is not taken.
const QByteArray ShipmentAnswer =
    "<?xml version=\"1.0\"?><TrackResponse><Response><ResponseStatusCode>1</ResponseStatusCode></Response>"
    "<shipment><Shipper><ShipperNumber>A12345</ShipperNumber><Address><AddressLine1>1 Main St</AddressLine1>"
    "<City>Atlanta</City><PostalCode>30301</PostalCode><CountryCode>US</CountryCode></Address></Shipper>"
    "<ShipTo><Address><AddressLine1>Hauptstr. 2</AddressLine1><AddressLine2>Hof</AddressLine2>"
    "<City>Berlin</City><CountryCode>DE</CountryCode></Address></ShipTo>"
    "<ShipmentWeight><UnitOfMeasurement><Code>KGS</Code></UnitOfMeasurement><Weight>2.50</Weight></ShipmentWeight>"
    "<Service><Code>065</Code><Description>EXPRESS SAVER</Description></Service>"
    "<ShipmentIdentificationNumber>1Z999</ShipmentIdentificationNumber><PickupDate>20261201</PickupDate>"
    "<Package><TrackingNumber>1Z999</TrackingNumber>"
    "<Activity><ActivityLocation><Address><City>BERLIN</City><CountryCode>DE</CountryCode></Address>"
    "<Code>ML</Code><Description>FRONT DOOR</Description><SignedForByName>MEIER</SignedForByName>"
    "</ActivityLocation><Status><StatusType><Code>D</Code><Description>DELIVERED</Description></StatusType>"
    "<StatusCode><Code>KB</Code></StatusCode></Status><Date>20261203</Date><Time>143005</Time></Activity>"
    "<activity><Date>20261202</Date></activity>"
    "<Activity><ActivityLocation><Address><City>KOELN</City></Address></ActivityLocation>"
    "<Status><StatusType><Code>I</Code><Description>ARRIVAL SCAN &amp; SORT</Description></StatusType>"
    "</Status><Date>20261202</Date><Time>080000</Time></Activity>"
    "</Package></shipment></TrackResponse>";

// The answers of a server that records what was posted to it.
struct TTrackServer {
    explicit TTrackServer(QByteArray Answer, bool WithLength = true)
        : Server(
              [this, Answer, WithLength](vxtest::TConnection& C) {
                  const QByteArray Head = C.ReadUntil("\r\n\r\n");
                  if (Head.isEmpty())
                      return;
                  const qsizetype At = Head.toLower().indexOf("content-length:");
                  const int Length = At < 0 ? 0 : Head.mid(At + 15, Head.indexOf('\r', At) - At - 15).trimmed().toInt();
                  {
                      std::lock_guard<std::mutex> L(Lock);
                      Heads.append(Head);
                      Bodies.append(C.ReadCount(Length));
                  }
                  C.Send("HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nConnection: close\r\n" +
                         (WithLength ? "Content-Length: " + QByteArray::number(Answer.size()) + "\r\n" : QByteArray()) +
                         "\r\n" + Answer);
              },
              2)
    {
        if (Server.Started())
            VxInetAddTrustedCertificates(Server.CaFile());
    }
    ~TTrackServer() { VxInetClearTrustedCertificates(); }

    void Configure(TVxUPSTracker& T)
    {
        T.SetHost(QStringLiteral("127.0.0.1"));
        T.SetPort(Server.Port());
        T.SetAccessLicenseNumber(QStringLiteral("KEY-1"));
        T.SetTrackingNumber(QStringLiteral("1Z999"));
    }

    std::mutex Lock;
    QList<QByteArray> Heads, Bodies;
    vxtest::TScriptedTlsServer Server;
};

// Reads a saved answer without a transfer.
class TAnswerReader : public TVxUPSTracker {
public:
    void Read(const QString& Answer)
    {
        SetLastXMLResponse(Answer);
        ParseXMLResponse();
    }
};

QString Stamp(TDateTime T)
{
    return DateTimeToText(T);
}

}  // namespace

TEST(UPSTracker, PostsTheTrackRequestAndReadsEveryProperty)
{
    TTrackServer S(ShipmentAnswer);
    ASSERT_TRUE(S.Server.Started()) << S.Server.Error().toStdString();
    TVxUPSTracker T;
    EXPECT_EQ(T.Host(), TVxUPSTracker::DefaultHost());
    EXPECT_EQ(T.Port(), 443);
    EXPECT_EQ(T.Service(), isHTTPS);
    S.Configure(T);
    QList<QPair<int, int>> Progress;
    T.SetOnProgress([&](QObject*, int Cur, int Max, bool&) { Progress.append({Cur, Max}); });

    ASSERT_TRUE(T.Execute()) << T.LastError().toStdString();
    EXPECT_EQ(T.Status(), isFinished);
    ASSERT_EQ(S.Heads.size(), 1);
    const QByteArray Head = S.Heads[0];
    EXPECT_TRUE(Head.startsWith("POST /ups.app/xml/Track HTTP/1.1\r\n")) << Head.toStdString();
    EXPECT_TRUE(Head.contains("\r\nContent-Type: application/x-www-form-urlencoded\r\n")) << Head.toStdString();
    EXPECT_TRUE(Head.contains("\r\nUser-Agent: Quillmoss Tracker\r\n")) << Head.toStdString();
    EXPECT_EQ(S.Bodies[0], ExpectedBody);
    EXPECT_EQ(T.LastXMLResponse(), QString::fromLatin1(ShipmentAnswer));
    ASSERT_FALSE(Progress.isEmpty());
    EXPECT_EQ(Progress.last(), qMakePair(int(ShipmentAnswer.size()), int(ShipmentAnswer.size())));

    EXPECT_EQ(T.ShipperNumber(), "A12345");
    EXPECT_EQ(T.ShipperAddress()->Text(), "1 Main St Atlanta 30301 US");
    EXPECT_EQ(T.ShipToAddress()->AddressLine2(), "Hof");
    EXPECT_EQ(T.ShipToAddress()->Text(), "Hauptstr. 2 Hof Berlin DE");
    EXPECT_EQ(T.IdentificationNumber(), "1Z999");
    EXPECT_EQ(Stamp(T.PickupDate()), "2026-12-01 00:00:00.000");
    EXPECT_EQ(T.ServiceCode(), "065");
    EXPECT_EQ(T.ServiceDescription(), "EXPRESS SAVER");
    EXPECT_EQ(T.ShipmentWeight(), "2.50");
    EXPECT_EQ(T.ShipmentWeightUnits(), "KGS");
    ASSERT_EQ(T.Activities()->Count(), 2);
    const TVxInetActivity* A = T.Activities()->Items(0);
    EXPECT_EQ(A->LocationCode(), "ML");
    EXPECT_EQ(A->LocationDescription(), "FRONT DOOR");
    EXPECT_EQ(A->LocationSignedForByName(), "MEIER");
    EXPECT_EQ(A->Location()->Text(), "BERLIN DE");
    EXPECT_EQ(A->StatusTypeCode(), "D");
    EXPECT_EQ(A->StatusTypeDescription(), "DELIVERED");
    EXPECT_EQ(A->StatusCode(), "KB");
    EXPECT_EQ(Stamp(A->DateTime()), "2026-12-03 14:30:05.000");
    const TVxInetActivity* B = T.Activities()->Items(1);
    EXPECT_EQ(B->StatusTypeDescription(), "ARRIVAL SCAN & SORT");
    EXPECT_EQ(B->StatusCode(), "");
    EXPECT_EQ(Stamp(B->DateTime()), "2026-12-02 08:00:00.000");

    // The same number again lists the activities again; a new number starts afresh.
    T.SetTrackingNumber(QStringLiteral("1Z999"));
    EXPECT_EQ(T.Activities()->Count(), 2);
    T.SetTrackingNumber(QStringLiteral("1z999"));
    EXPECT_EQ(T.Activities()->Count(), 0);
    EXPECT_TRUE(T.LastXMLResponse().isEmpty());
    EXPECT_EQ(T.ShipperNumber(), "A12345");  // Clear keeps the shipment's properties
}

TEST(UPSTracker, AnAnswerThatIsNotXMLChangesNothing)
{
    TTrackServer S("Service Unavailable, try again later");
    ASSERT_TRUE(S.Server.Started()) << S.Server.Error().toStdString();
    TVxUPSTracker T;
    S.Configure(T);
    EXPECT_TRUE(T.Execute()) << T.LastError().toStdString();
    EXPECT_EQ(T.LastXMLResponse(), "Service Unavailable, try again later");
    EXPECT_EQ(T.Activities()->Count(), 0);
    EXPECT_TRUE(T.ShipperNumber().isEmpty());
    EXPECT_EQ(T.PickupDate(), 0.0);
}

TEST(UPSTracker, AbortFromOnProgressKeepsAndParsesWhatArrived)
{
    // Longer than one block, without a length: the maximum is the assumed 10240.
    const QByteArray Answer = "<Package><Activity><Date>20261202</Date><Time>0800</Time></Activity>" +
                              QByteArray(3000, ' ') + "<Activity/></Package>";
    TTrackServer S(Answer, false);
    ASSERT_TRUE(S.Server.Started()) << S.Server.Error().toStdString();
    TVxUPSTracker T;
    S.Configure(T);
    QList<int> Maxima;
    T.SetOnProgress([&](QObject*, int, int Max, bool& Abort) {
        Maxima.append(Max);
        Abort = true;
    });
    EXPECT_FALSE(T.Execute());
    EXPECT_EQ(T.Status(), isFailed);
    EXPECT_EQ(Maxima, QList<int>{10240});
    EXPECT_EQ(T.LastXMLResponse(), QString::fromLatin1(Answer.left(2050)));
    ASSERT_EQ(T.Activities()->Count(), 1);
    EXPECT_EQ(T.Activities()->Items(0)->DateTime(), 0.0);  // "0800" is no time
}

TEST(UPSTracker, NoServerIsAFailureWithAReason)
{
    TVxUPSTracker T;
    T.SetHost(QStringLiteral("127.0.0.1"));
    T.SetPort(1);
    EXPECT_FALSE(T.Execute());
    EXPECT_FALSE(T.LastError().isEmpty());
    EXPECT_TRUE(T.LastXMLResponse().isEmpty());
}

TEST(UPSTracker, ReadingRulesOfTheAnswer)
{
    TAnswerReader T;
    // Dates that are not eight digits of a real day leave the value as it was; an
    // activity without a time keeps 0; an address missing from the answer stays.
    T.Read(QStringLiteral("<Shipment><PickupDate>20261301</PickupDate><ShipTo/></Shipment>"
                          "<Package><Activity><Date>20261202</Date></Activity>"
                          "<Activity><Date>2026120X</Date><Time>120000</Time></Activity></Package>"));
    EXPECT_EQ(T.PickupDate(), 0.0);
    ASSERT_EQ(T.Activities()->Count(), 2);
    EXPECT_EQ(T.Activities()->Items(0)->DateTime(), 0.0);
    EXPECT_EQ(T.Activities()->Items(1)->DateTime(), 0.0);
    T.Read(QStringLiteral("<Shipment><PickupDate>20260229</PickupDate><PickupDate>20240229</PickupDate>"
                          "<ShipTo><Address><City> Sp ace </City></Address></ShipTo></Shipment>"));
    EXPECT_EQ(T.PickupDate(), 0.0);  // the first match counts, and 2026 has no 29 February
    EXPECT_EQ(T.ShipToAddress()->City(), " Sp ace ");
    EXPECT_EQ(T.Activities()->Count(), 2);  // results accumulate
}
