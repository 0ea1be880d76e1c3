// Design-time integration: the components on a designer's palette page, the component
// editor that offers the about box in their context menu, and the property editor of the
// About property of the socket components.
//
// Qt has no form designer that places non-visual components, so the designer is reached
// through a small host interface of our own. A host (a form designer, an IDE plugin, an
// application's component browser) implements TVxDesignerHost, installs it with
// VxSetDesignerHost and calls Register(). Without a host of its own, Register() fills the
// built-in palette (VxBuiltInPalette()), which records what was registered and answers what
// a designer asks: the pages and their classes, the component editor of a class, the
// property editor of a class's property.
//
// Editors are created from their QMetaObject: `EditorClass->newInstance(Q_ARG(QObject*,
// Component), Q_ARG(QObject*, Parent))`.
#pragma once

#include <vedidoredo/VxGlobal.h>

#include <QFlags>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>

class VX_WIDGETS_EXPORT TVxDesignerHost {
public:
    virtual ~TVxDesignerHost() = default;
    virtual void RegisterComponents(const QString& Page, const QList<const QMetaObject*>& Classes) = 0;
    virtual void RegisterComponentEditor(const QMetaObject* ComponentClass, const QMetaObject* EditorClass) = 0;
    virtual void RegisterPropertyEditor(QMetaType PropertyType, const QMetaObject* ComponentClass,
                                        const QString& PropertyName, const QMetaObject* EditorClass) = 0;
};

// The host that Register() talks to; nullptr goes back to the built-in palette. The host
// is not owned.
VX_WIDGETS_EXPORT void VxSetDesignerHost(TVxDesignerHost* Host);
// The host in force: the one set, else the built-in palette.
VX_WIDGETS_EXPORT TVxDesignerHost* VxDesignerHost();
// Registers the library's components on the page "Ve-Didoredo", the component editor for
// both component families and the About property editor, on the host in force.
VX_WIDGETS_EXPORT void Register();

// The built-in designer host: records registrations and answers for them.
class VX_WIDGETS_EXPORT TVxDesignerPalette : public TVxDesignerHost {
public:
    struct TPage {
        QString Name;
        QList<const QMetaObject*> Classes;
    };

    void RegisterComponents(const QString& Page, const QList<const QMetaObject*>& Classes) override;
    void RegisterComponentEditor(const QMetaObject* ComponentClass, const QMetaObject* EditorClass) override;
    void RegisterPropertyEditor(QMetaType PropertyType, const QMetaObject* ComponentClass,
                                const QString& PropertyName, const QMetaObject* EditorClass) override;

    // The pages in the order first registered, each with its classes in order (a class
    // registered twice on a page is listed once).
    QList<TPage> Pages() const;
    // The page a class is on; empty when it is not registered.
    QString PageOf(const QMetaObject* ComponentClass) const;
    // The editor registered for the class or its nearest ancestor (the latest registration
    // among equally near ones); nullptr when none applies.
    const QMetaObject* ComponentEditor(const QMetaObject* ComponentClass) const;
    // The editor for the property PropertyName of the class: registered for the class or an
    // ancestor, and the class has a property of that name and of the registered type.
    const QMetaObject* PropertyEditor(const QMetaObject* ComponentClass, const QString& PropertyName) const;
    // Forgets every registration.
    void Clear();

private:
    struct TEditor {
        const QMetaObject* ComponentClass;
        const QMetaObject* EditorClass;
        QMetaType PropertyType;
        QString PropertyName;
    };
    static const TEditor* Nearest(const QList<TEditor>& Editors, const QMetaObject* ComponentClass,
                                  const QString& PropertyName);

    QList<TPage> FPages;
    QList<TEditor> FComponentEditors;
    QList<TEditor> FPropertyEditors;
};

VX_WIDGETS_EXPORT TVxDesignerPalette& VxBuiltInPalette();

namespace VxDesignEnums {
Q_NAMESPACE_EXPORT(VX_WIDGETS_EXPORT)
// How a designer offers a property: with a value list, sub-properties, an ellipsis button
// that calls Edit (paDialog), for several selected components, updated as typed, sorted
// values, or not to be typed in (paReadOnly).
enum TVxPropertyAttribute {
    paValueList = 0x1,
    paSubProperties = 0x2,
    paDialog = 0x4,
    paMultiSelect = 0x8,
    paAutoUpdate = 0x10,
    paSortList = 0x20,
    paReadOnly = 0x40
};
Q_DECLARE_FLAGS(TVxPropertyAttributes, TVxPropertyAttribute)
Q_FLAG_NS(TVxPropertyAttributes)
}  // namespace VxDesignEnums
Q_DECLARE_OPERATORS_FOR_FLAGS(VxDesignEnums::TVxPropertyAttributes)
using VxDesignEnums::TVxPropertyAttribute;
using VxDesignEnums::TVxPropertyAttributes;
using enum VxDesignEnums::TVxPropertyAttribute;

// The context menu of every component of both families: one verb, the about box.
class VX_WIDGETS_EXPORT TVxInetComponentEditor : public QObject {
    Q_OBJECT
    Q_PROPERTY(QObject* Component READ Component CONSTANT)
public:
    Q_INVOKABLE explicit TVxInetComponentEditor(QObject* Component, QObject* Parent = nullptr);
    ~TVxInetComponentEditor() override;

    QObject* Component() const { return FComponent; }

    Q_INVOKABLE virtual void ExecuteVerb(int Index);
    Q_INVOKABLE virtual QString GetVerb(int Index);
    Q_INVOKABLE virtual int GetVerbCount();

private:
    QObject* FComponent;
};

// The About property of the socket components: shown as "About VeDidoredo...", not typed
// in, its ellipsis button showing the about box.
class VX_WIDGETS_EXPORT TVxInetAboutProperty : public QObject {
    Q_OBJECT
    Q_PROPERTY(QObject* Component READ Component CONSTANT)
public:
    Q_INVOKABLE explicit TVxInetAboutProperty(QObject* Component, QObject* Parent = nullptr);
    ~TVxInetAboutProperty() override;

    QObject* Component() const { return FComponent; }

    Q_INVOKABLE virtual void Edit();
    Q_INVOKABLE virtual TVxPropertyAttributes GetAttributes();
    Q_INVOKABLE virtual QString GetValue();

private:
    QObject* FComponent;
};

// The about box's title and text: what the library is and its components, a line each.
VX_WIDGETS_EXPORT QString VxInetAboutTitle();
VX_WIDGETS_EXPORT QString VxInetAboutText();
// Shows the about box: a modal information message box through the user-interface hook
// that shows messages (nothing is shown when no hook is installed).
VX_WIDGETS_EXPORT void VxShowInetAbout();
