// Reads an XML file (or a small built-in answer) with TVxXMLEngine, prints its node tree,
// looks a path up, and shows the two callbacks: one that leaves elements out, one that
// is told when each element closes.
//
//     example_xmltree [FILE [PATH]]      PATH like "TrackResponse/Shipment/Weight"
#include <vedidoredo/VxInetXML.h>
#include <vedidoredo/platform/VxException.h>

#include <QCoreApplication>
#include <QTextStream>

namespace {

const char* const Sample = R"(<?xml version="1.0" encoding="utf-8"?>
<TrackResponse>
  <Response><Status>1</Status><Description>Success</Description></Response>
  <Shipment id="1Z999">
    <!-- weights are in pounds -->
    <Weight unit="LBS">5.0</Weight>
    <Activity><Date>2010-05-17T14:03:09</Date><Place>K&amp;ln</Place></Activity>
    <Internal><Audit>not for customers</Audit></Internal>
  </Shipment>
</TrackResponse>
)";

void Print(QTextStream& Out, const TVxXMLItem* Node, int Depth)
{
    // Attribute nodes show as @name, comments as they were written.
    QString Line(2 * Depth, u' ');
    if (Node->Kind() == ikAttribute)
        Line += u'@';
    Line += Node->TagName();
    if (!Node->GetTagValue().trimmed().isEmpty())
        Line += QStringLiteral(" = ") + Node->GetTagValue();
    Out << Line << '\n';
    if (Depth == 200 && Node->Items()->Count() > 0) {  // a hostile file may nest far deeper
        Out << QString(2 * Depth + 2, u' ') << "...\n";
        return;
    }
    for (const TVxXMLItem* Child : *Node->Items())
        Print(Out, Child, Depth + 1);
}

// Walks a path of element names from the root down, each step a search below the last.
const TVxXMLItem* Find(const TVxXMLEngine& Engine, QString Path)
{
    TVxXMLItem* Node = nullptr;
    while (!Path.isEmpty()) {
        const QString Name = TVxXMLEngine::GetFirstTagName(Path);
        Node = Engine.GetItemByTag(Node, Name);
        if (!Node)
            return nullptr;
    }
    return Node;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication App(argc, argv);
    QTextStream Out(stdout);
    const QStringList Args = App.arguments();

    TVxXMLEngine Engine;
    // Leave out what the program does not want in its tree, content and all.
    Engine.SetOnTag([](QObject*, TVxXMLItem*, const QString& Name, const QString&, const QString&,
                       bool& Accept) { Accept = Name != QLatin1String("Internal"); });
    int Closed = 0;
    Engine.SetOnAfterTag([&Closed](QObject*, TVxXMLItem*&, bool&) { ++Closed; });

    try {
        if (Args.size() > 1) {
            Engine.LoadFromFile(Args.at(1));
        } else {
            const QString Text = QString::fromLatin1(Sample);  // byte text, as from a socket
            Engine.ParseXMLFromString(Text, Text.size());
        }
    } catch (const EVxError& Error) {
        QTextStream(stderr) << Error.Message() << '\n';
        return 2;
    }

    Print(Out, Engine.RootItem(), 0);
    Out << Closed << " elements closed\n";

    const QString Path = Args.size() > 2 ? Args.at(2) : QStringLiteral("TrackResponse/Shipment/Weight");
    if (const TVxXMLItem* Node = Find(Engine, Path)) {
        Out << Path << " = " << Node->GetTagValue() << '\n';
        if (const TVxXMLItem* Date = Engine.GetItemByTag(Node->ParentItem(), QStringLiteral("Date")))
            Out << "first activity on "
                << DateTimeToText(XMLStringToDateTime(Date->GetTagValue())) << '\n';
    } else {
        Out << Path << " not found\n";
    }
    return 0;
}
