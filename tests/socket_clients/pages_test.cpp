#include <vedidoredo/VxIFedEx.h>
#include <vedidoredo/VxIWeath.h>

#include "socket_clients/VxSocketText.h"
#include "support/scripted_server.h"

#include <gtest/gtest.h>

using vxtest::TConnection;
using vxtest::TScriptedServer;

namespace {

const QString TrackPath = QStringLiteral(
    "/cgi-bin/tracking?template_type=plugin&action=track&language=english&cntry_code=us&tracknumbers=");

TScriptedServer::Script Answering(const QByteArray& Answer)
{
    return [Answer](TConnection& C) {
        C.ReadUntil("Keep-Alive\r\n\r\n");
        C.Send(Answer);
        C.Close();
    };
}

}  // namespace

TEST(FedExQuery, EscapesBlanksAndUsesTheCarrierHost)
{
    TVxFedExTracker F;
    EXPECT_EQ(F.Port(), 80);
    EXPECT_EQ(F.Host(), TVxFedExTracker::CarrierHost());
    F.SetTrackingNumber(QStringLiteral("1234 5678 9012"));
    const QString Expected = QStringLiteral("GET ") + TrackPath + QStringLiteral("1234%205678%209012   HTTP/1.0\r\nHost: ")
                             + TVxFedExTracker::CarrierHost() + QStringLiteral("\r\n");
    EXPECT_EQ(F.GetQuery(), Expected);
    F.Proxy()->SetUseProxy(true);
    EXPECT_EQ(F.GetQuery(), QStringLiteral("GET http://") + TVxFedExTracker::CarrierHost() + Expected.mid(4));
}

TEST(FedExTable, FlattensRowsIntoNameValueLines)
{
    EXPECT_EQ(VxFlattenHTMLTable(QStringLiteral("<tr><td>Status</td><td>Delivered</td></tr>")),
              QStringLiteral("Status=Delivered\r\n"));
    // An empty cell gives no doubled separator.
    EXPECT_EQ(VxFlattenHTMLTable(
                  QStringLiteral("<tr><td>Date</td><td></td><td>Memphis, TN</td></tr>\r\n<tr>\n<td>  Time </td>"
                                 "<td>\t10:00 am</td></tr>")),
              QStringLiteral("Date=Memphis, TN\r\n Time=\t10:00 am\r\n"));
    // Upper-case tags give neither separators nor line ends.
    EXPECT_EQ(VxFlattenHTMLTable(QStringLiteral("<TR><TD>a</TD><TD>b</TD></TR>")),
              QStringLiteral("ab"));
    // A row tag with attributes does not end the line; text between rows stands alone.
    EXPECT_EQ(VxFlattenHTMLTable(QStringLiteral("<tr class=x><td>a</td></tr>Label<tr><td>b</td></tr>")),
              QStringLiteral("a\r\nLabel\r\nb\r\n"));
    EXPECT_EQ(VxFlattenHTMLTable(QStringLiteral("<td")), QString());
    // Entities are replaced, and a cell that becomes empty leaves no doubled separator.
    EXPECT_EQ(VxFlattenHTMLTable(QStringLiteral("<tr><td>Temp</td><td>&nbsp;</td><td>72&deg;</td></tr>")),
              QString::fromUtf8("Temp=72\u00b0\r\n"));
}

TEST(FedExTable, CutsTheMarkedSections)
{
    QStringList Info, Scans;
    const QString Page = QStringLiteral(
        "<html><!-- shipment info --><table><tr><td>Status</td><td>Delivered</td></tr><tr><td>Signed by</td>"
        "<td>J.SMITH</td></tr></table><!-- BEGIN Scan Activity --><tr><td>Jun 1</td><td>Picked up</td></tr>"
        "<!-- END Scan Activity --></html>");
    TVxFedExTracker::ReadSections(Page, Info, Scans);
    EXPECT_EQ(Info, (QStringList{QStringLiteral("Status=Delivered"), QStringLiteral("Signed by=J.SMITH")}));
    EXPECT_EQ(Scans, QStringList{QStringLiteral("Jun 1=Picked up")});

    // Without the first marker the shipment section starts at the 22nd character.
    const QString NoFirst = QStringLiteral("0123456789012345678901<tr><td>x</td></tr><!-- BEGIN Scan Activity -->");
    TVxFedExTracker::ReadSections(NoFirst, Info, Scans);
    EXPECT_EQ(Info, (QStringList{QStringLiteral("1"), QStringLiteral("x")}));
    EXPECT_TRUE(Scans.isEmpty());

    TVxFedExTracker::ReadSections(QStringLiteral("<html>no markers</html>"), Info, Scans);
    EXPECT_TRUE(Info.isEmpty());
    EXPECT_TRUE(Scans.isEmpty());
}

TEST(FedExWire, ReturnsThePageAndFillsTheLists)
{
    const QByteArray Page = "HTTP/1.0 200 OK\r\n\r\n<!-- shipment info --><tr><td>Status</td><td>In transit</td></tr>"
                            "<!-- BEGIN Scan Activity --><tr><td>Jun 2</td><td>Departed</td></tr>"
                            "<!-- END Scan Activity -->";
    TScriptedServer Server(Answering(Page));
    TVxFedExTracker F;
    F.SetAddress(QStringLiteral("127.0.0.1"));
    F.SetPort(Server.Port());
    F.SetTrackingNumber(QStringLiteral("42"));
    bool Raised = false;
    F.SetOnAfterExecute([&](QObject*, QString&) { Raised = true; });
    EXPECT_EQ(F.Execute(), QString::fromLatin1(Page));
    EXPECT_FALSE(Raised);
    EXPECT_EQ(F.ShipmentInfo(), QStringList{QStringLiteral("Status=In transit")});
    EXPECT_EQ(F.Activity(), QStringList{QStringLiteral("Jun 2=Departed")});
    EXPECT_EQ(Server.Received(),
              (QStringLiteral("GET ") + TrackPath + QStringLiteral("42   HTTP/1.0\r\nHost: ") + TVxFedExTracker::CarrierHost()
               + QStringLiteral("\r\nProxy-Connection: Keep-Alive\r\n\r\n"))
                  .toLatin1());

    TScriptedServer Missing(Answering("HTTP/1.0 404 Not Found\r\n\r\n"));
    F.SetPort(Missing.Port());
    EXPECT_THROW(F.Execute(), EVxError);
    EXPECT_EQ(F.Activity(), QStringList{QStringLiteral("Jun 2=Departed")});  // kept
}

TEST(WeatherQuery, PutsTheCodeTwiceWithBlanksEscaped)
{
    TVxWeatherInfo W;
    EXPECT_EQ(W.Port(), 80);
    EXPECT_EQ(W.Host(), TVxWeatherInfo::SiteHost());
    W.SetZip(QStringLiteral("SW1A 1AA"));
    EXPECT_EQ(W.TrackingType(), wttZip);
    EXPECT_EQ(W.GetQuery(), QStringLiteral("GET /weather/local/SW1A%201AA?lswe=SW1A%201AA&lswa=WeatherLocalUndeclared"
                                           "&GO=GO&whatprefs=   HTTP/1.0\r\nHost: ")
                                + TVxWeatherInfo::SiteHost() + QStringLiteral("\r\n\r\n"));
}

TEST(WeatherAnswer, ReadsTheNumberAfterTheMarker)
{
    EXPECT_EQ(TVxWeatherInfo::ReadTemperature(QStringLiteral("x CLASS=obsTempTextA>-12&deg;F")), -12);
    EXPECT_EQ(TVxWeatherInfo::ReadTemperature(QStringLiteral("CLASS=obsTempTextA>72")), 72);
    EXPECT_EQ(TVxWeatherInfo::ReadTemperature(QStringLiteral("CLASS=obsTempTextA>N/A")), 0);
    EXPECT_EQ(TVxWeatherInfo::ReadTemperature(QStringLiteral("CLASS=obsTempTextA>-")), 0);
    EXPECT_EQ(TVxWeatherInfo::ReadTemperature(QStringLiteral("CLASS=obsTempTextA>7-2")), 0);
    EXPECT_EQ(TVxWeatherInfo::ReadTemperature(QStringLiteral("CLASS=obsTempTextA>99999999999")), 0);
    EXPECT_EQ(TVxWeatherInfo::ReadTemperature(QStringLiteral("class=obsTempTextA>72")), 0);
    EXPECT_EQ(TVxWeatherInfo::ReadTemperature(QStringLiteral("CLASS=obsTempTextA>")), 0);
}

TEST(WeatherWire, SetsTheTemperatureAndKeepsItOnAFailedExchange)
{
    const QByteArray Page = "HTTP/1.0 200 OK\r\n\r\n<td CLASS=obsTempTextA>68&deg;F</td>";
    TScriptedServer Server(Answering(Page));
    TVxWeatherInfo W;
    W.SetAddress(QStringLiteral("127.0.0.1"));
    W.SetPort(Server.Port());
    W.SetZip(QStringLiteral("10001"));
    EXPECT_EQ(W.Execute(), QString::fromLatin1(Page));
    EXPECT_EQ(W.Temperature(), 68);

    TScriptedServer Missing(Answering("HTTP/1.0 404 Not Found\r\n\r\n"));
    W.SetPort(Missing.Port());
    EXPECT_THROW(W.Execute(), EVxError);
    EXPECT_EQ(W.Temperature(), 68);
}
