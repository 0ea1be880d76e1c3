// vx palette and vx about through the built binary.
#include "tool_harness.h"

#include "VxRegistry.h"

#include <vedidoredo/VxInetR.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

TEST(VxPalette, ListsThePageWithVerbsAndTheAboutEditor)
{
    const VxResult R = RunVxBinary({"palette"});
    ASSERT_EQ(R.Status, 0) << R.Err.constData();
    const QList<QByteArray> Lines = R.Out.trimmed().split('\n');
    ASSERT_EQ(Lines.size(), 16);
    EXPECT_EQ(Lines[0], "Ve-Didoredo");
    EXPECT_EQ(Lines[1].simplified(), "TVxWhoIs About VeDidoredo About: About VeDidoredo...");
    EXPECT_EQ(Lines[6].simplified(), "TVxWebUpdater About VeDidoredo");

    const VxResult J = RunVxBinary({"palette", "--json"});
    ASSERT_EQ(J.Status, 0);
    EXPECT_TRUE(J.Out.startsWith("{\"Page\":\"Ve-Didoredo\",\"Classes\":[{\"Class\":\"TVxWhoIs\",\"Verbs\":"));
    const QJsonArray Classes = QJsonDocument::fromJson(J.Out).object()["Classes"].toArray();
    ASSERT_EQ(Classes.size(), 15);
    for (int I = 0; I < 15; ++I) {
        const QJsonObject C = Classes[I].toObject();
        EXPECT_EQ(C["Class"].toString().toUtf8(), Lines[I + 1].split(' ').first());
        EXPECT_EQ(C["Verbs"].toArray(), QJsonArray{"About VeDidoredo"});
        EXPECT_EQ(C["About"].isNull(), !Lines[I + 1].contains("About: "));
    }

    const VxResult A = RunVxBinary({"about"});
    ASSERT_EQ(A.Status, 0);
    EXPECT_TRUE(A.Out.contains("\nTVxMSTranslator - "));
}

// Every class a designer sees, the DNS resolver and the XML engine can be run by name.
TEST(VxClassRegistry, KnowsEveryPaletteClassTheResolverAndTheXmlEngine)
{
    Register();
    QStringList Names{QStringLiteral("TVxIDNSResolver"), QStringLiteral("TVxXMLEngine")};
    for (const TVxDesignerPalette::TPage& Page : VxBuiltInPalette().Pages())
        for (const QMetaObject* Class : Page.Classes)
            Names << QString::fromLatin1(Class->className());
    EXPECT_GE(Names.size(), 17);
    for (const QString& Name : Names)
        EXPECT_NE(vx::FindClass(Name), nullptr) << Name.toStdString();
}
