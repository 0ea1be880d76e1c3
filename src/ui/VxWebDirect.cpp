// The link directory window and its drawn bullets.
#include <vedidoredo/vxidirect.h>

#include <vedidoredo/platform/VxUiHooks.h>
#include "VxWindowThread.h"

#include <QApplication>
#include <QEvent>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QRadialGradient>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace {

// Draws the item under the mouse underlined in the highlight colour.
class THotTrackDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* Option, const QModelIndex& Index) const override
    {
        QStyledItemDelegate::initStyleOption(Option, Index);
        if (Option->state & QStyle::State_MouseOver) {
            Option->font.setUnderline(true);
            Option->palette.setColor(QPalette::Text, Option->palette.color(QPalette::Highlight));
        }
    }
};

constexpr int NodeDataRole = Qt::UserRole;

}  // namespace

QPixmap VxDrawDirectoryBullet(bool New)
{
    QImage Img(16, 16, QImage::Format_ARGB32_Premultiplied);
    Img.fill(Qt::transparent);
    QPainter P(&Img);
    P.setRenderHint(QPainter::Antialiasing);
    QRadialGradient Ball(QPointF(6.5, 6.5), 7.5);
    if (New) {
        Ball.setColorAt(0, QColor(150, 195, 255));
        Ball.setColorAt(0.5, QColor(40, 100, 220));
        Ball.setColorAt(1, QColor(10, 40, 150));
        P.setPen(QPen(QColor(10, 30, 110), 0.8));
    } else {
        Ball.setColorAt(0, QColor(255, 245, 170));
        Ball.setColorAt(0.5, QColor(245, 200, 30));
        Ball.setColorAt(1, QColor(200, 140, 0));
        P.setPen(QPen(QColor(140, 100, 0), 0.8));
    }
    P.setBrush(Ball);
    P.drawEllipse(QRectF(2.5, 2.5, 11, 11));
    if (New) {
        // The light highlight: a small bright spot at the upper left.
        P.setPen(Qt::NoPen);
        P.setBrush(QColor(255, 255, 255, 210));
        P.drawEllipse(QRectF(4.6, 4.2, 3.4, 2.6));
    }
    P.end();
    return QPixmap::fromImage(Img);
}

TVxITreeView::TVxITreeView(QWidget* Parent) : QTreeWidget(Parent)
{
    setColumnCount(1);
    setHeaderHidden(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);  // captions are read only
    setIconSize(QSize(16, 16));
    setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_Hover);
    setItemDelegate(new THotTrackDelegate(this));
}

TVxITreeView::~TVxITreeView() = default;

TVxINodeData* TVxITreeView::NodeData(const QTreeWidgetItem* Item)
{
    return Item ? reinterpret_cast<TVxINodeData*>(Item->data(0, NodeDataRole).value<quintptr>()) : nullptr;
}

void TVxITreeView::mouseMoveEvent(QMouseEvent* Event)
{
    QTreeWidget::mouseMoveEvent(Event);
    if (NodeData(itemAt(Event->position().toPoint())))
        viewport()->setCursor(Qt::PointingHandCursor);
    else
        viewport()->unsetCursor();
}

void TVxITreeView::leaveEvent(QEvent* Event)
{
    QTreeWidget::leaveEvent(Event);
    viewport()->unsetCursor();
}

TfrmVxWebDirect::TfrmVxWebDirect(QWidget* ParentControl, const QString& Title) : QDialog(ParentControl)
{
    setObjectName(QStringLiteral("frmVxWebDirect"));
    setAttribute(Qt::WA_DeleteOnClose);
    FImageList = {QIcon(VxDrawDirectoryBullet(false)), QIcon(VxDrawDirectoryBullet(true))};

    tree = new TVxITreeView(this);
    tree->setObjectName(QStringLiteral("tree"));
    auto* Layout = new QVBoxLayout(this);
    Layout->setContentsMargins(0, 0, 0, 0);
    Layout->addWidget(tree);
    connect(tree, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* Item) { OpenClicked(Item); });

    if (ParentControl) {
        // A borderless child that follows the control's size.
        setWindowFlags(Qt::Widget);
        setGeometry(ParentControl->rect());
        ParentControl->installEventFilter(this);
    } else {
        setWindowTitle(Title);
        setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
        resize(460, 320);
        if (const QScreen* Screen = screen())
            move(Screen->availableGeometry().center() - rect().center());
    }
}

TfrmVxWebDirect::~TfrmVxWebDirect()
{
    // The tree goes before the node data its items point to.
    delete tree;
}

void TfrmVxWebDirect::Fill(const TVxDirectory& Directory)
{
    tree->setUpdatesEnabled(false);
    tree->clear();
    FNodeData.clear();
    QFont Bold = tree->font();
    Bold.setBold(true);
    for (const TVxDirectoryCategory& Category : Directory) {
        auto* Node = new QTreeWidgetItem(tree, QStringList{Category.Caption});
        Node->setIcon(0, FImageList[0]);
        for (const TVxDirectoryLink& Link : Category.Links) {
            auto Data = std::make_unique<TVxINodeData>();
            Data->Url = Link.Url;
            auto* Item = new QTreeWidgetItem(Node, QStringList{Link.Caption});
            Item->setData(0, NodeDataRole, QVariant::fromValue(reinterpret_cast<quintptr>(Data.get())));
            Item->setToolTip(0, Link.Url);
            Item->setIcon(0, FImageList[Link.New ? 1 : 0]);
            if (Link.New)
                Item->setFont(0, Bold);
            FNodeData.push_back(std::move(Data));
        }
    }
    tree->expandAll();
    if (QTreeWidgetItem* First = tree->topLevelItem(0)) {
        tree->setCurrentItem(First);
        tree->scrollToItem(First);
    }
    tree->setUpdatesEnabled(true);
}

bool TfrmVxWebDirect::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Watched == parentWidget() && Event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return QDialog::eventFilter(Watched, Event);
}

void TfrmVxWebDirect::OpenClicked(QTreeWidgetItem* Item)
{
    // A category has no node data: a click on it does nothing.
    const TVxINodeData* Data = TVxITreeView::NodeData(Item);
    if (Data && VxUiHooks().OpenUrl)
        VxUiHooks().OpenUrl(Data->Url);
}

TVxWebDirect::TVxWebDirect(QObject* Owner) : TVxCustomWebDirect(Owner) {}

TVxWebDirect::~TVxWebDirect()
{
    EndRun();
    for (const QPointer<TfrmVxWebDirect>& W : FOwnWindows)
        delete W.data();
}

void TVxWebDirect::Show()
{
    ShowDirectory(false);
}

void TVxWebDirect::ShowModal()
{
    ShowDirectory(true);
}

void TVxWebDirect::ShowDirectory(bool Wait)
{
    frm = nullptr;
    tree = nullptr;
    if (!VxCanShowWindows())
        return;
    QWidget* Parent = FParentControl;
    auto* W = new TfrmVxWebDirect(Parent, Title());
    W->Fill(Categories());
    frm = W;
    tree = W->tree;
    if (Parent) {
        W->show();
        return;
    }
    FOwnWindows.removeAll(nullptr);
    FOwnWindows.append(W);
    if (Wait)
        W->exec();  // frees itself when closed
    else
        W->show();
}
