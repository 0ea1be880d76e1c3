#include <vedidoredo/VxInCnst.h>

#include "support/qstring_print.h"

#include <gtest/gtest.h>

TEST(Catalogue, HoldsTheDefaultTexts)
{
    const std::pair<const QString*, const char16_t*> Texts[] = {
        {&strVxInSoftwareUpdate, u"Software update"},
        {&strVxInConnecting, u"Connecting..."},
        {&strVxInConnected, u"Connected."},
        {&strVxInFileSearch, u"File search..."},
        {&strVxInFileFound, u"File found."},
        {&strVxInFileComparing, u"Comparing..."},
        {&strVxInFileCompared, u"Compared."},
        {&strVxInDownloading, u"Downloading..."},
        {&strVxInDownloaded, u"Downloaded."},
        {&strVxInDisconnecting, u"Disconnecting..."},
        {&strVxInDisconnected, u"Disconnected."},
        {&strVxInProgress, u"Downloaded %d of %d bytes (%d%%)"},
        {&strVxInProxyLogon, u"Proxy Server authorization"},
        {&strVxInLogon, u"HTTP Server authorization"},
        {&strVxInEHost, u"Host/Address is not defined."},
        {&strVxInEAuthRequired, u"HTTP Server authorization required"},
        {&strVxInEProxyAuth, u"Proxy Server authorization required"},
        {&strVxInEFileNotFound, u"File not found"},
    };
    for (const auto& [Variable, Text] : Texts)
        EXPECT_EQ(*Variable, QString::fromUtf16(Text));
}

TEST(Catalogue, ProgressIsAPrintfFormatOfThreeIntegers)
{
    EXPECT_EQ(QString::asprintf(strVxInProgress.toUtf8().constData(), 512, 2048, 25),
              u"Downloaded 512 of 2048 bytes (25%)");
}
