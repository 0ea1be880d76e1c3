/// \file
/// The link directory window: TVxWebDirect refreshes the directory's cache file from a
/// server (TVxCustomWebDirect, VxWebDirectory.h) and shows it as a tree of categories and
/// links, in a window of its own or filling a control of the program's. New links are
/// bold with a blue bullet; a click on a link opens it with the desktop's handler (the
/// OpenUrl user-interface hook).
#pragma once

#include <vedidoredo/VxGlobal.h>
#include <vedidoredo/VxWebDirectory.h>

#include <QDialog>
#include <QIcon>
#include <QList>
#include <QPixmap>
#include <QPointer>
#include <QTreeWidget>
#include <memory>
#include <vector>

/// What a link node of the tree carries: the address that a click opens.
class VX_WIDGETS_EXPORT TVxINodeData {
public:
    /// The link's address.
    QString Url;
};

/// A tree that highlights the item under the mouse (hot tracking): underlined, in the
/// highlight colour, with a pointing hand over links.
class VX_WIDGETS_EXPORT TVxITreeView : public QTreeWidget {
    Q_OBJECT
public:
    /// Makes the tree.
    explicit TVxITreeView(QWidget* Parent = nullptr);
    /// Frees the object and everything it owns.
    ~TVxITreeView() override;

    /// The node data of a link item; nullptr for categories and other items.
    static TVxINodeData* NodeData(const QTreeWidgetItem* Item);

protected:
    /// Underlines the link under the mouse.
    void mouseMoveEvent(QMouseEvent* Event) override;
    /// Takes the underline away.
    void leaveEvent(QEvent* Event) override;
};

/// One shown directory: owns its tree, its two bullet images and the node data of its
/// links, so that any number of them can be open and closed in any order. It frees itself
/// when closed.
class VX_WIDGETS_EXPORT TfrmVxWebDirect : public QDialog {
    Q_OBJECT
public:
    /// With ParentControl the window is a borderless child that fills the control;
    /// without, a sizeable window of its own, 460 x 320, centred on the screen.
    TfrmVxWebDirect(QWidget* ParentControl, const QString& Title);
    /// Frees the object and everything it owns.
    ~TfrmVxWebDirect() override;

    /// Fills the tree: one root node per category, its links below; all expanded, the
    /// first category selected and scrolled into view.
    void Fill(const TVxDirectory& Directory);

    /// The tree of categories and links.
    TVxITreeView* tree;
    /// 0: a known link or a category (yellow bullet), 1: a new link (blue bullet).
    QList<QIcon> FImageList;

protected:
    /// Opens a link on Enter.
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void OpenClicked(QTreeWidgetItem* Item);

    std::vector<std::unique_ptr<TVxINodeData>> FNodeData;
};

/// The 16 x 16 bullet of a known link or category (yellow) or of a new link (blue, with a
/// light highlight), on a transparent ground.
VX_WIDGETS_EXPORT QPixmap VxDrawDirectoryBullet(bool New);

/// The link directory with its window: refreshes the cache and shows the tree, new links bold. See \ref webdirect.cpp.
class VX_WIDGETS_EXPORT TVxWebDirect : public TVxCustomWebDirect {
    Q_OBJECT
    Q_PROPERTY(QWidget* ParentControl READ ParentControl WRITE SetParentControl)
public:
    /// Creates the object, owned by Owner (none when nullptr), which frees it.
    explicit TVxWebDirect(QObject* Owner = nullptr);
    /// Closes the windows of its own that are still open; a window inside a
    /// ParentControl belongs to that control.
    ~TVxWebDirect() override;

    /// A control of the program's that the directory fills instead of opening a window.
    /// Not owned; watched, so a destroyed control reads as none.
    QWidget* ParentControl() const { return FParentControl; }
    /// Sets ParentControl().
    void SetParentControl(QWidget* Value) { CheckChange("ParentControl"); FParentControl = Value; }

    /// Shows the cached directory (no download) and returns at once.
    /// Shows the cached directory in a window that does not block, without downloading.
    Q_INVOKABLE void Show();
    /// The same, returning when the window is closed; with a ParentControl it does not wait.
    /// Shows the cached directory in a modal window, without downloading.
    Q_INVOKABLE void ShowModal();

    /// The latest shown window and its tree while it is open, else nullptr.
    TfrmVxWebDirect* Window() const { return frm; }
    /// The tree of the window or of the ParentControl; nullptr before it is shown.
    TVxITreeView* Tree() const { return tree; }

protected:
    void ShowDirectory(bool Wait) override;

private:
    QPointer<TfrmVxWebDirect> frm;
    QPointer<TVxITreeView> tree;
    QPointer<QWidget> FParentControl;
    QList<QPointer<TfrmVxWebDirect>> FOwnWindows;
};
