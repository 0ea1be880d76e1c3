// `vx ups` and `vx translate` as the built binary, against servers of the test.
#include "tool_harness.h"

#include "support/scripted_tls_server.h"
#include "support/scripted_http_server.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

const QByteArray TrackAnswer =
    "<TrackResponse><Shipment><Service><Code>065</Code><Description>EXPRESS SAVER</Description></Service>"
    "<ShipmentIdentificationNumber>1Z999</ShipmentIdentificationNumber><Package>"
    "<Activity><ActivityLocation><Address><City>BERLIN</City><CountryCode>DE</CountryCode></Address>"
    "</ActivityLocation><Status><StatusType><Code>D</Code><Description>DELIVERED</Description></StatusType></Status>"
    "<Date>20261203</Date><Time>143005</Time></Activity>"
    "<Activity><Status><StatusType><Description>ORIGIN SCAN</Description></StatusType></Status>"
    "<Date>20261201</Date><Time>090000</Time></Activity></Package></Shipment></TrackResponse>";

}  // namespace

TEST(XmlClientCommands, UpsPrintsTheShipmentAndGivesJson)
{
    vxtest::TScriptedTlsServer Server(
        [](vxtest::TConnection& C) {
            const QByteArray Head = C.ReadUntil("\r\n\r\n");
            if (Head.isEmpty())
                return;  // the connection check
            C.ReadUntil("</TrackRequest>");
            C.Send("HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: " + QByteArray::number(TrackAnswer.size()) +
                   "\r\n\r\n" + TrackAnswer);
        },
        4);
    ASSERT_TRUE(Server.Started()) << Server.Error().toStdString();
    const QStringList Args = {QStringLiteral("ups"), QStringLiteral("1Z999"), QStringLiteral("--host"),
                              QStringLiteral("127.0.0.1:%1").arg(Server.Port()), QStringLiteral("--cacert"),
                              Server.CaFile()};
    const VxResult Text = RunVxBinary(Args);
    ASSERT_EQ(Text.Status, 0) << Text.Err.toStdString();
    EXPECT_TRUE(Text.Out.contains("Service          065 EXPRESS SAVER\n")) << Text.Out.toStdString();
    EXPECT_TRUE(Text.Out.contains("DATE              LOCATION   STATUS\n"
                                  "2026-12-03 14:30  BERLIN DE  DELIVERED\n"
                                  "2026-12-01 09:00             ORIGIN SCAN\n"))
        << Text.Out.toStdString();

    const VxResult Json = RunVxBinary(Args + QStringList{QStringLiteral("--json")});
    ASSERT_EQ(Json.Status, 0) << Json.Err.toStdString();
    const QJsonObject Root = QJsonDocument::fromJson(Json.Out).object();
    EXPECT_EQ(Root.value("Result").toBool(), true);
    const QJsonArray Activities = Root.value("Activities").toArray();
    ASSERT_EQ(Activities.size(), 2);
    EXPECT_EQ(Activities[0].toObject().value("Location").toObject().value("City").toString(), "BERLIN");
    EXPECT_EQ(Activities[1].toObject().value("DateTime").toString(), "2026-12-01 09:00:00.000");
    EXPECT_TRUE(Root.value("ShipToAddress").isObject());
}

TEST(XmlClientCommands, TranslateWritesTheTranslationOrTheRefusal)
{
    vxtest::TScriptedHttpServer Server([](const std::string& Request) {
        if (Request.find("appId=good&text=Hello%20world&from=&to=de ") == std::string::npos)
            return vxtest::TScriptReply{vxtest::TScriptedHttpServer::Response("400 Bad Request", "Invalid appId")};
        return vxtest::TScriptReply{vxtest::TScriptedHttpServer::Response("200 OK", "<string>Hallo Welt</string>")};
    });
    const QStringList Args = {QStringLiteral("translate"), QStringLiteral("Hello"), QStringLiteral("world"),
                              QStringLiteral("--to"), QStringLiteral("de"), QStringLiteral("--host"),
                              QStringLiteral("http://127.0.0.1:%1/v2/Http.svc").arg(Server.Port())};
    const VxResult Ok = RunVxBinary(Args + QStringList{QStringLiteral("--appid"), QStringLiteral("good")});
    EXPECT_EQ(Ok.Status, 0) << Ok.Err.toStdString();
    EXPECT_EQ(Ok.Out, "Hallo Welt\n");
    const VxResult Refused = RunVxBinary(Args + QStringList{QStringLiteral("--appid"), QStringLiteral("bad")});
    EXPECT_EQ(Refused.Status, 1);
    EXPECT_EQ(Refused.Out, "");
    EXPECT_EQ(Refused.Err, "vx: translate: HTTP status 400: Invalid appId\n");
}
