// vx palette [--json]: the designer's palette page as Register() fills it, with each
// class's context-menu verbs and its About property editor.
// vx about: the about box's text (a terminal has no message box).
#include "VxConsole.h"
#include "VxOptionReader.h"
#include "VxRegistry.h"

#include <vedidoredo/VxInetR.h>

#include <QJsonArray>
#include <QJsonDocument>

#include <memory>

namespace {

struct TPaletteEntry {
    QString Class;
    QStringList Verbs;
    QString About;  // the About property's shown value; empty without its editor
};

QList<TPaletteEntry> PaletteEntries(QString& Page)
{
    TVxDesignerPalette& Palette = VxBuiltInPalette();
    Palette.Clear();
    VxSetDesignerHost(nullptr);
    Register();
    QList<TPaletteEntry> Entries;
    const QList<TVxDesignerPalette::TPage> Pages = Palette.Pages();
    if (Pages.isEmpty())
        return Entries;
    Page = Pages.first().Name;
    for (const QMetaObject* Class : Pages.first().Classes) {
        TPaletteEntry E{QString::fromLatin1(Class->className()), {}, {}};
        // The editors edit a component of the class, as in a designer.
        const vx::ClassInfo* Info = vx::FindClass(E.Class);
        std::unique_ptr<QObject> Component(Info ? Info->Create() : nullptr);
        if (const QMetaObject* EditorClass = Palette.ComponentEditor(Class)) {
            std::unique_ptr<QObject> Editor(
                EditorClass->newInstance(Q_ARG(QObject*, Component.get()), Q_ARG(QObject*, nullptr)));
            if (auto* Verbs = qobject_cast<TVxInetComponentEditor*>(Editor.get()))
                for (int I = 0; I < Verbs->GetVerbCount(); ++I)
                    E.Verbs << Verbs->GetVerb(I);
        }
        if (const QMetaObject* PropertyClass = Palette.PropertyEditor(Class, QStringLiteral("About"))) {
            std::unique_ptr<QObject> Editor(
                PropertyClass->newInstance(Q_ARG(QObject*, Component.get()), Q_ARG(QObject*, nullptr)));
            if (auto* About = qobject_cast<TVxInetAboutProperty*>(Editor.get()))
                E.About = About->GetValue();
        }
        Entries << E;
    }
    return Entries;
}

QByteArray JsonText(const QString& Text)
{
    const QByteArray Array = QJsonDocument(QJsonArray{Text}).toJson(QJsonDocument::Compact);
    return Array.mid(1, Array.size() - 2);  // the string without the array's brackets
}

int RunPalette(const QStringList& Args)
{
    const vx::OptionReader O(Args, {{"--json"}});
    O.ExpectPositional(0, 0, "no arguments");
    QString Page;
    const QList<TPaletteEntry> Entries = PaletteEntries(Page);
    if (O.Has("--json")) {
        // Written by hand to keep the keys in the order people read them.
        QByteArray Json = "{\"Page\":" + JsonText(Page) + ",\"Classes\":[";
        for (qsizetype I = 0; I < Entries.size(); ++I) {
            const TPaletteEntry& E = Entries[I];
            Json += (I ? ",{\"Class\":" : "{\"Class\":") + JsonText(E.Class) + ",\"Verbs\":" +
                    QJsonDocument(QJsonArray::fromStringList(E.Verbs)).toJson(QJsonDocument::Compact) +
                    ",\"About\":" + (E.About.isEmpty() ? QByteArray("null") : JsonText(E.About)) + "}";
        }
        vx::WriteOut(Json + "]}\n");
        return vx::ExitOk;
    }
    qsizetype Width = 0;
    for (const TPaletteEntry& E : Entries)
        Width = std::max(Width, E.Class.size());
    vx::WriteOutLine(Page);
    for (const TPaletteEntry& E : Entries) {
        QString Line = E.Class.leftJustified(Width + 2) + E.Verbs.join(QStringLiteral(", "));
        if (!E.About.isEmpty())
            Line += QStringLiteral("  About: ") + E.About;
        vx::WriteOutLine(Line);
    }
    return vx::ExitOk;
}

int RunAbout(const QStringList& Args)
{
    const vx::OptionReader O(Args, {});
    O.ExpectPositional(0, 0, "no arguments");
    vx::WriteOutLine(VxInetAboutText());
    return vx::ExitOk;
}

}  // namespace

VX_REGISTER_COMMAND_HELP("palette", "palette [--json]  the components on the designer's palette page",
                         "Prints the page's name, then each class in the order of the page with the\n"
                         "verbs of its context menu and, for the socket components, the value the\n"
                         "designer shows for their About property.\n"
                         "\n"
                         "Options:\n"
                         "  --json  one JSON object: {\"Page\": ..., \"Classes\": [{\"Class\", \"Verbs\", \"About\"}]}\n",
                         RunPalette)
VX_REGISTER_COMMAND("about", "about  what the library is and its components", RunAbout)
