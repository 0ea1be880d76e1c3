// Registration of the components on the designer's palette page, and the built-in host.
#include <vedidoredo/VxInetR.h>

#include <vedidoredo/VxIFedEx.h>
#include <vedidoredo/VxIHTTP.h>
#include <vedidoredo/VxIMSTranslator.h>
#include <vedidoredo/VxIRSS.h>
#include <vedidoredo/VxISMTP.h>
#include <vedidoredo/VxISNTP.h>
#include <vedidoredo/VxITime.h>
#include <vedidoredo/VxIUPS.h>
#include <vedidoredo/VxIWeath.h>
#include <vedidoredo/VxInBase.h>
#include <vedidoredo/VxWhoIs.h>
#include <vedidoredo/vxidir.h>
#include <vedidoredo/vxidirect.h>
#include <vedidoredo/vxiimage.h>
#include <vedidoredo/vxiupdate.h>
#include <vedidoredo/vxixtract.h>

#include <QMetaProperty>

namespace {

TVxDesignerHost* CurrentHost = nullptr;

// Steps from ComponentClass up to Ancestor; -1 when Ancestor is not among its classes.
int Distance(const QMetaObject* ComponentClass, const QMetaObject* Ancestor)
{
    int Steps = 0;
    for (const QMetaObject* M = ComponentClass; M; M = M->superClass(), ++Steps)
        if (M == Ancestor)
            return Steps;
    return -1;
}

}  // namespace

void VxSetDesignerHost(TVxDesignerHost* Host)
{
    CurrentHost = Host;
}

TVxDesignerHost* VxDesignerHost()
{
    return CurrentHost ? CurrentHost : &VxBuiltInPalette();
}

TVxDesignerPalette& VxBuiltInPalette()
{
    static TVxDesignerPalette Palette;
    return Palette;
}

void Register()
{
    TVxDesignerHost* Host = VxDesignerHost();
    // The order of the page.
    Host->RegisterComponents(QStringLiteral("Ve-Didoredo"), {
        &TVxWhoIs::staticMetaObject,
        &TVxInetDateTime::staticMetaObject,
        &TVxUPSTracker::staticMetaObject,
        &TVxFedExTracker::staticMetaObject,
        &TVxIHTTPClient::staticMetaObject,
        &TVxWebUpdater::staticMetaObject,
        &TVxWebDirect::staticMetaObject,
        &TVxRemoteImage::staticMetaObject,
        &TVxInfoExtractor::staticMetaObject,
        &TVxWeatherInfo::staticMetaObject,
        &TVxRemoteFiles::staticMetaObject,
        &TVxISMTP::staticMetaObject,
        &TVxIRSSParser::staticMetaObject,
        &TVxInetSNTP::staticMetaObject,
        &TVxMSTranslator::staticMetaObject,
    });
    Host->RegisterComponentEditor(&TVxInetBase::staticMetaObject, &TVxInetComponentEditor::staticMetaObject);
    Host->RegisterComponentEditor(&TVxCustomWebComponent::staticMetaObject,
                                  &TVxInetComponentEditor::staticMetaObject);
    Host->RegisterPropertyEditor(QMetaType::fromType<QString>(), &TVxInetBase::staticMetaObject,
                                 QStringLiteral("About"), &TVxInetAboutProperty::staticMetaObject);
}

void TVxDesignerPalette::RegisterComponents(const QString& Page, const QList<const QMetaObject*>& Classes)
{
    auto It = std::find_if(FPages.begin(), FPages.end(), [&](const TPage& P) { return P.Name == Page; });
    if (It == FPages.end())
        It = FPages.insert(FPages.end(), TPage{Page, {}});
    for (const QMetaObject* Class : Classes)
        if (Class && !It->Classes.contains(Class))
            It->Classes << Class;
}

void TVxDesignerPalette::RegisterComponentEditor(const QMetaObject* ComponentClass, const QMetaObject* EditorClass)
{
    if (ComponentClass && EditorClass)
        FComponentEditors << TEditor{ComponentClass, EditorClass, {}, {}};
}

void TVxDesignerPalette::RegisterPropertyEditor(QMetaType PropertyType, const QMetaObject* ComponentClass,
                                                const QString& PropertyName, const QMetaObject* EditorClass)
{
    if (ComponentClass && EditorClass)
        FPropertyEditors << TEditor{ComponentClass, EditorClass, PropertyType, PropertyName};
}

QList<TVxDesignerPalette::TPage> TVxDesignerPalette::Pages() const
{
    return FPages;
}

QString TVxDesignerPalette::PageOf(const QMetaObject* ComponentClass) const
{
    for (const TPage& P : FPages)
        if (P.Classes.contains(ComponentClass))
            return P.Name;
    return {};
}

const TVxDesignerPalette::TEditor* TVxDesignerPalette::Nearest(const QList<TEditor>& Editors,
                                                               const QMetaObject* ComponentClass,
                                                               const QString& PropertyName)
{
    const TEditor* Best = nullptr;
    int BestDistance = -1;
    for (const TEditor& E : Editors) {
        if (E.PropertyName != PropertyName)
            continue;
        const int D = Distance(ComponentClass, E.ComponentClass);
        if (D >= 0 && (!Best || D <= BestDistance)) {
            Best = &E;
            BestDistance = D;
        }
    }
    return Best;
}

const QMetaObject* TVxDesignerPalette::ComponentEditor(const QMetaObject* ComponentClass) const
{
    const TEditor* E = Nearest(FComponentEditors, ComponentClass, {});
    return E ? E->EditorClass : nullptr;
}

const QMetaObject* TVxDesignerPalette::PropertyEditor(const QMetaObject* ComponentClass,
                                                      const QString& PropertyName) const
{
    if (!ComponentClass)
        return nullptr;
    const int Index = ComponentClass->indexOfProperty(PropertyName.toLatin1().constData());
    if (Index < 0)
        return nullptr;
    const QMetaType Type = ComponentClass->property(Index).metaType();
    // Among the registrations for this name, the nearest one whose type is the property's.
    QList<TEditor> OfType;
    for (const TEditor& E : FPropertyEditors)
        if (E.PropertyType == Type)
            OfType << E;
    const TEditor* E = Nearest(OfType, ComponentClass, PropertyName);
    return E ? E->EditorClass : nullptr;
}

void TVxDesignerPalette::Clear()
{
    FPages.clear();
    FComponentEditors.clear();
    FPropertyEditors.clear();
}
