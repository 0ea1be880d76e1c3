// The component editor, the About property editor and the about box they show.
#include <vedidoredo/VxInetR.h>
#include <vedidoredo/VxVersion.h>
#include <vedidoredo/platform/VxUiHooks.h>

#include <QStringList>

namespace {

const QString AboutVerb = QStringLiteral("About VeDidoredo");

struct TComponentLine {
    const char* Class;
    const char* Does;
};

// Every component of the library, in the order of the palette page, then those that are
// only created in code.
constexpr TComponentLine Components[] = {
    {"TVxWhoIs", "looks up the registration record of a domain or address (WHOIS)"},
    {"TVxInetDateTime", "reads the date and time from a daytime server"},
    {"TVxUPSTracker", "tracks a UPS parcel through the carrier's XML interface"},
    {"TVxFedExTracker", "reads the scan activity of a FedEx parcel from its tracking page"},
    {"TVxIHTTPClient", "sends raw HTTP requests and splits the answers"},
    {"TVxWebUpdater", "keeps a local file up to date from HTTP, HTTPS, FTP or a path"},
    {"TVxWebDirect", "shows a directory of links in a tree window, new ones marked"},
    {"TVxRemoteImage", "refreshes a picture from the web on a timer"},
    {"TVxInfoExtractor", "extracts links and addresses of one kind from a page"},
    {"TVxWeatherInfo", "reads the current temperature for a postal code"},
    {"TVxRemoteFiles", "lists remote directories over FTP or a path"},
    {"TVxISMTP", "sends mail with copies, priority, login and attachments (SMTP)"},
    {"TVxIRSSParser", "reads RSS, RDF and Atom feeds into channels and items"},
    {"TVxInetSNTP", "reads the network time from an NTP server (SNTP)"},
    {"TVxMSTranslator", "translates texts, detects languages and fetches spoken audio"},
    {"TVxIDNSResolver", "sends DNS queries and returns the replies (created in code)"},
    {"TVxXMLEngine", "parses XML into a tree of nodes (created in code)"},
};

}  // namespace

QString VxInetAboutTitle()
{
    return AboutVerb;
}

QString VxInetAboutText()
{
    QStringList Lines;
    Lines << QStringLiteral("VeDidoredo %1").arg(QLatin1String(VxVersion()))
          << QStringLiteral("Internet client components for Qt desktop applications, on Qt and libcurl.")
          << QString() << QStringLiteral("Components:");
    for (const TComponentLine& C : Components)
        Lines << QStringLiteral("%1 - %2").arg(QLatin1String(C.Class), QLatin1String(C.Does));
    return Lines.join(QLatin1Char('\n'));
}

void VxShowInetAbout()
{
    if (const auto& Show = VxUiHooks().ShowMessage)
        Show(VxInetAboutTitle(), VxInetAboutText());
}

TVxInetComponentEditor::TVxInetComponentEditor(QObject* Component, QObject* Parent)
    : QObject(Parent), FComponent(Component)
{
}

TVxInetComponentEditor::~TVxInetComponentEditor() = default;

void TVxInetComponentEditor::ExecuteVerb(int)
{
    VxShowInetAbout();
}

QString TVxInetComponentEditor::GetVerb(int Index)
{
    return Index == 0 ? AboutVerb : QString();
}

int TVxInetComponentEditor::GetVerbCount()
{
    return 1;
}

TVxInetAboutProperty::TVxInetAboutProperty(QObject* Component, QObject* Parent)
    : QObject(Parent), FComponent(Component)
{
}

TVxInetAboutProperty::~TVxInetAboutProperty() = default;

void TVxInetAboutProperty::Edit()
{
    VxShowInetAbout();
}

TVxPropertyAttributes TVxInetAboutProperty::GetAttributes()
{
    return paDialog | paReadOnly;
}

QString TVxInetAboutProperty::GetValue()
{
    return AboutVerb + QStringLiteral("...");
}
