// Design-time registration: the palette page, the component editor and the About property.
#include "support/qstring_print.h"
#include "support/web_recording_hooks.h"
#include "support/widgets_app.h"

#include <vedidoredo/VxIDNS.h>
#include <vedidoredo/VxIHTTP.h>
#include <vedidoredo/VxInBase.h>
#include <vedidoredo/VxInetR.h>
#include <vedidoredo/VxInetXML.h>
#include <vedidoredo/VxWidgets.h>
#include <vedidoredo/vxiupdate.h>

#include <QMessageBox>
#include <QPushButton>
#include <gtest/gtest.h>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

// A designer host that writes down every call.
class TRecordingHost : public TVxDesignerHost {
public:
    QStringList Calls;
    void RegisterComponents(const QString& Page, const QList<const QMetaObject*>& Classes) override
    {
        QStringList Names;
        for (const QMetaObject* C : Classes)
            Names << QString::fromLatin1(C->className());
        Calls << Page + u": "_s + Names.join(u' ');
    }
    void RegisterComponentEditor(const QMetaObject* ComponentClass, const QMetaObject* EditorClass) override
    {
        Calls << u"editor %1 %2"_s.arg(ComponentClass->className(), EditorClass->className());
    }
    void RegisterPropertyEditor(QMetaType PropertyType, const QMetaObject* ComponentClass, const QString& PropertyName,
                                const QMetaObject* EditorClass) override
    {
        Calls << u"property %1 %2.%3 %4"_s.arg(PropertyType.name(), ComponentClass->className(), PropertyName,
                                                EditorClass->className());
    }
};

template <typename T>
std::unique_ptr<T> Create(const QMetaObject* Editor, QObject* Component)
{
    return std::unique_ptr<T>(qobject_cast<T*>(Editor->newInstance(Q_ARG(QObject*, Component), Q_ARG(QObject*, nullptr))));
}

const QString PaletteClasses =
    u"TVxWhoIs TVxInetDateTime TVxUPSTracker TVxFedExTracker TVxIHTTPClient TVxWebUpdater TVxWebDirect "
    u"TVxRemoteImage TVxInfoExtractor TVxWeatherInfo TVxRemoteFiles TVxISMTP TVxIRSSParser TVxInetSNTP "
    u"TVxMSTranslator"_s;

}  // namespace

TEST(Design, RegisterPutsTheComponentsAndEditorsOnTheHostInForce)
{
    TRecordingHost Host;
    VxSetDesignerHost(&Host);
    Register();
    VxSetDesignerHost(nullptr);
    EXPECT_EQ(Host.Calls, QStringList({u"Ve-Didoredo: "_s + PaletteClasses,
                                       u"editor TVxInetBase TVxInetComponentEditor"_s,
                                       u"editor TVxCustomWebComponent TVxInetComponentEditor"_s,
                                       u"property QString TVxInetBase.About TVxInetAboutProperty"_s}));
    EXPECT_EQ(VxDesignerHost(), &VxBuiltInPalette());
}

TEST(Design, BuiltInPaletteAnswersForEachFamily)
{
    TVxDesignerPalette& Palette = VxBuiltInPalette();
    Palette.Clear();
    Register();
    Register();  // a second registration changes nothing on the page
    const QList<TVxDesignerPalette::TPage> Pages = Palette.Pages();
    ASSERT_EQ(Pages.size(), 1);
    QStringList Names;
    for (const QMetaObject* C : Pages[0].Classes)
        Names << QString::fromLatin1(C->className());
    EXPECT_EQ(Names.join(u' '), PaletteClasses);

    struct {
        const QMetaObject* Class;
        QString Page;
        const QMetaObject* Editor;
        const QMetaObject* About;
    } const Cases[] = {
        {&TVxIHTTPClient::staticMetaObject, u"Ve-Didoredo"_s, &TVxInetComponentEditor::staticMetaObject,
         &TVxInetAboutProperty::staticMetaObject},
        {&TVxWebUpdater::staticMetaObject, u"Ve-Didoredo"_s, &TVxInetComponentEditor::staticMetaObject, nullptr},
        // Created in code only: not on the page, but still a socket component.
        {&TVxIDNSResolver::staticMetaObject, QString(), &TVxInetComponentEditor::staticMetaObject,
         &TVxInetAboutProperty::staticMetaObject},
        {&TVxXMLEngine::staticMetaObject, QString(), nullptr, nullptr},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Class->className());
        EXPECT_EQ(Palette.PageOf(C.Class), C.Page);
        EXPECT_EQ(Palette.ComponentEditor(C.Class), C.Editor);
        EXPECT_EQ(Palette.PropertyEditor(C.Class, u"About"_s), C.About);
    }
    EXPECT_EQ(Palette.PropertyEditor(&TVxIHTTPClient::staticMetaObject, u"Host"_s), nullptr);
}

TEST(Design, NearestRegistrationWins)
{
    TVxDesignerPalette Palette;
    Palette.RegisterComponentEditor(&QObject::staticMetaObject, &QObject::staticMetaObject);
    Palette.RegisterComponentEditor(&TVxInetBase::staticMetaObject, &TVxInetComponentEditor::staticMetaObject);
    Palette.RegisterComponentEditor(&QObject::staticMetaObject, &TVxInetAboutProperty::staticMetaObject);
    EXPECT_EQ(Palette.ComponentEditor(&TVxIHTTPClient::staticMetaObject), &TVxInetComponentEditor::staticMetaObject);
    EXPECT_EQ(Palette.ComponentEditor(&TVxXMLEngine::staticMetaObject), &TVxInetAboutProperty::staticMetaObject);
}

TEST(Design, EditorsOfferTheAboutBox)
{
    vxtest::TRecordingHooks Hooks;
    TVxIHTTPClient Http;
    TVxWebUpdater Updater;
    for (QObject* Component : {static_cast<QObject*>(&Http), static_cast<QObject*>(&Updater)}) {
        auto Editor = Create<TVxInetComponentEditor>(&TVxInetComponentEditor::staticMetaObject, Component);
        ASSERT_TRUE(Editor);
        EXPECT_EQ(Editor->Component(), Component);
        EXPECT_EQ(Editor->GetVerbCount(), 1);
        EXPECT_EQ(Editor->GetVerb(0), u"About VeDidoredo"_s);
        EXPECT_EQ(Editor->GetVerb(1), QString());
        EXPECT_EQ(Editor->GetVerb(-1), QString());
        Editor->ExecuteVerb(3);
    }
    auto About = Create<TVxInetAboutProperty>(&TVxInetAboutProperty::staticMetaObject, &Http);
    ASSERT_TRUE(About);
    EXPECT_EQ(About->GetAttributes(), TVxPropertyAttributes(paDialog | paReadOnly));
    EXPECT_EQ(About->GetValue(), u"About VeDidoredo..."_s);
    EXPECT_EQ(Http.About(), QString());
    About->Edit();

    ASSERT_EQ(Hooks.Messages.size(), 3);
    EXPECT_EQ(Hooks.Messages[0], u"About VeDidoredo|"_s + VxInetAboutText());
    EXPECT_EQ(Hooks.Messages.count(Hooks.Messages[0]), 3);
    for (const QString& Class : PaletteClasses.split(u' '))
        EXPECT_TRUE(VxInetAboutText().contains(u"\n"_s + Class + u" - "_s)) << Class.toStdString();
}

TEST(Design, AboutBoxIsAnInformationBoxWithOneButton)
{
    WidgetsApp();
    const TVxUiHooks Saved = VxUiHooks();
    VxInstallWidgetsHooks();
    bool Seen = false;
    WhenModal<QMessageBox>([&](QMessageBox* Box) {
        Seen = true;
        EXPECT_EQ(Box->windowTitle(), u"About VeDidoredo"_s);
        EXPECT_EQ(Box->text(), VxInetAboutText());
        EXPECT_EQ(Box->icon(), QMessageBox::Information);
        EXPECT_EQ(Box->buttons().size(), 1);
        Box->button(QMessageBox::Ok)->click();
    });
    TVxInetComponentEditor Editor(nullptr);
    Editor.ExecuteVerb(0);
    VxSetUiHooks(Saved);
    EXPECT_TRUE(Seen);
}
