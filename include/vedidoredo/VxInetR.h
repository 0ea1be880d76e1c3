/// \file
/// Design-time integration: the components on a designer's palette page, the component
/// editor that offers the about box in their context menu, and the property editor of the
/// About property of the socket components.
///
/// Qt has no form designer that places non-visual components, so the designer is reached
/// through a small host interface of our own. A host (a form designer, an IDE plugin, an
/// application's component browser) implements TVxDesignerHost, installs it with
/// VxSetDesignerHost and calls Register(). Without a host of its own, Register() fills the
/// built-in palette (VxBuiltInPalette()), which records what was registered and answers what
/// a designer asks: the pages and their classes, the component editor of a class, the
/// property editor of a class's property.
///
/// Editors are created from their QMetaObject: `EditorClass->newInstance(Q_ARG(QObject*,
/// Component), Q_ARG(QObject*, Parent))`.
#pragma once

#include <vedidoredo/VxGlobal.h>

#include <QFlags>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>

/// What a form designer implements to receive the components, their editors and property editors.
class VX_WIDGETS_EXPORT TVxDesignerHost {
public:
    /// Frees the object and everything it owns.
    virtual ~TVxDesignerHost() = default;
    /// Puts Classes on the palette page Page.
    virtual void RegisterComponents(const QString& Page, const QList<const QMetaObject*>& Classes) = 0;
    /// Makes EditorClass the component editor of ComponentClass and its descendants.
    virtual void RegisterComponentEditor(const QMetaObject* ComponentClass, const QMetaObject* EditorClass) = 0;
    /// Makes EditorClass the editor of the property of type PropertyType named PropertyName of ComponentClass and its descendants.
    virtual void RegisterPropertyEditor(QMetaType PropertyType, const QMetaObject* ComponentClass,
                                        const QString& PropertyName, const QMetaObject* EditorClass) = 0;
};

/// The host that Register() talks to; nullptr goes back to the built-in palette. The host
/// is not owned.
VX_WIDGETS_EXPORT void VxSetDesignerHost(TVxDesignerHost* Host);
/// The host in force: the one set, else the built-in palette.
VX_WIDGETS_EXPORT TVxDesignerHost* VxDesignerHost();
/// Registers the library's components on the page "Ve-Didoredo", the component editor for
/// both component families and the About property editor, on the host in force.
VX_WIDGETS_EXPORT void Register();

/// The built-in designer host: records registrations and answers for them.
class VX_WIDGETS_EXPORT TVxDesignerPalette : public TVxDesignerHost {
public:
    /// One palette page.
    struct TPage {
        /// The page's name.
        QString Name;
        /// The components on the page, in order.
        QList<const QMetaObject*> Classes;
    };

    /// Adds Classes to the page Page, making it when new.
    void RegisterComponents(const QString& Page, const QList<const QMetaObject*>& Classes) override;
    /// Records EditorClass for ComponentClass.
    void RegisterComponentEditor(const QMetaObject* ComponentClass, const QMetaObject* EditorClass) override;
    /// Records EditorClass for the property.
    void RegisterPropertyEditor(QMetaType PropertyType, const QMetaObject* ComponentClass,
                                const QString& PropertyName, const QMetaObject* EditorClass) override;

    /// The pages in the order first registered, each with its classes in order (a class
    /// registered twice on a page is listed once).
    QList<TPage> Pages() const;
    /// The page a class is on; empty when it is not registered.
    QString PageOf(const QMetaObject* ComponentClass) const;
    /// The editor registered for the class or its nearest ancestor (the latest registration
    /// among equally near ones); nullptr when none applies.
    const QMetaObject* ComponentEditor(const QMetaObject* ComponentClass) const;
    /// The editor for the property PropertyName of the class: registered for the class or an
    /// ancestor, and the class has a property of that name and of the registered type.
    const QMetaObject* PropertyEditor(const QMetaObject* ComponentClass, const QString& PropertyName) const;
    /// Forgets every registration.
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

/// The palette Register fills when no designer host is installed.
VX_WIDGETS_EXPORT TVxDesignerPalette& VxBuiltInPalette();

/// The enumerations of design-time registration, also in the global namespace.
namespace VxDesignEnums {
Q_NAMESPACE_EXPORT(VX_WIDGETS_EXPORT)
/// How a designer offers a property: with a value list, sub-properties, an ellipsis button
/// that calls Edit (paDialog), for several selected components, updated as typed, sorted
/// values, or not to be typed in (paReadOnly).
enum TVxPropertyAttribute {
    paValueList = 0x1,  ///< offers a list of values
    paSubProperties = 0x2,  ///< has sub-properties
    paDialog = 0x4,  ///< has an ellipsis button that calls Edit
    paMultiSelect = 0x8,  ///< applies to several selected components
    paAutoUpdate = 0x10,  ///< is updated as it is typed
    paSortList = 0x20,  ///< its value list is sorted
    paReadOnly = 0x40  ///< cannot be typed in
};
Q_DECLARE_FLAGS(TVxPropertyAttributes, TVxPropertyAttribute)
Q_FLAG_NS(TVxPropertyAttributes)
}  // namespace VxDesignEnums
Q_DECLARE_OPERATORS_FOR_FLAGS(VxDesignEnums::TVxPropertyAttributes)
using VxDesignEnums::TVxPropertyAttribute;
using VxDesignEnums::TVxPropertyAttributes;
using enum VxDesignEnums::TVxPropertyAttribute;

/// The context menu of every component of both families: one verb, the about box.
class VX_WIDGETS_EXPORT TVxInetComponentEditor : public QObject {
    Q_OBJECT
    Q_PROPERTY(QObject* Component READ Component CONSTANT)
public:
    /// Makes the editor of Component.
    Q_INVOKABLE explicit TVxInetComponentEditor(QObject* Component, QObject* Parent = nullptr);
    /// Frees the object and everything it owns.
    ~TVxInetComponentEditor() override;

    /// The component edited.
    QObject* Component() const { return FComponent; }

    /// Runs verb Index: 0 shows the about box.
    Q_INVOKABLE virtual void ExecuteVerb(int Index);
    /// The text of verb Index ("About VeDidoredo").
    Q_INVOKABLE virtual QString GetVerb(int Index);
    /// The number of verbs (1).
    Q_INVOKABLE virtual int GetVerbCount();

private:
    QObject* FComponent;
};

/// The About property of the socket components: shown as "About VeDidoredo...", not typed
/// in, its ellipsis button showing the about box.
class VX_WIDGETS_EXPORT TVxInetAboutProperty : public QObject {
    Q_OBJECT
    Q_PROPERTY(QObject* Component READ Component CONSTANT)
public:
    /// Makes the editor of Component's About property.
    Q_INVOKABLE explicit TVxInetAboutProperty(QObject* Component, QObject* Parent = nullptr);
    /// Frees the object and everything it owns.
    ~TVxInetAboutProperty() override;

    /// The component edited.
    QObject* Component() const { return FComponent; }

    /// Shows the about box.
    Q_INVOKABLE virtual void Edit();
    /// paDialog and paReadOnly: an ellipsis button, no typing.
    Q_INVOKABLE virtual TVxPropertyAttributes GetAttributes();
    /// The text the designer shows for the property.
    Q_INVOKABLE virtual QString GetValue();

private:
    QObject* FComponent;
};

/// The about box's title and text: what the library is and its components, a line each.
VX_WIDGETS_EXPORT QString VxInetAboutTitle();
/// The about box's text: the library's name and version and the list of components.
VX_WIDGETS_EXPORT QString VxInetAboutText();
/// Shows the about box: a modal information message box through the user-interface hook
/// that shows messages (nothing is shown when no hook is installed).
VX_WIDGETS_EXPORT void VxShowInetAbout();
