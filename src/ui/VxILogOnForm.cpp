#include <vedidoredo/ui/VxILogOnForm.h>

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>

namespace {

// A bevel that is only a lowered line along its top edge: a shadow line over a light one.
class TBevelTopLine : public QFrame {
public:
    using QFrame::QFrame;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter Painter(this);
        Painter.setPen(palette().color(QPalette::Dark));
        Painter.drawLine(0, 0, width() - 1, 0);
        Painter.setPen(palette().color(QPalette::Light));
        Painter.drawLine(0, 1, width() - 1, 1);
    }
};

template <typename T>
T* Control(QWidget* Parent, const char* Name, int Left, int Top, int Width, int Height)
{
    T* Widget = new T(Parent);
    Widget->setObjectName(QLatin1String(Name));
    Widget->setGeometry(Left, Top, Width, Height);
    return Widget;
}

}  // namespace

TfrmVxILogon::TfrmVxILogon(QWidget* Parent) : QDialog(Parent)
{
    setObjectName(QStringLiteral("frmVxILogon"));
    setWindowTitle(QStringLiteral("Enter Password"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(305, 105);
    move(200, 108);
    // The layout is in fixed pixels, so the font is too: 8 points at 96 dots per inch.
    QFont Font;
    Font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Sans Serif")});
    Font.setPixelSize(11);
    setFont(Font);

    lblLogin = Control<QLabel>(this, "lblLogin", 48, 12, 88, 13);
    lblLogin->setText(QStringLiteral("User ID:"));
    lblPassword = Control<QLabel>(this, "lblPassword", 16, 37, 120, 13);
    lblPassword->setText(QStringLiteral("Password:"));
    for (QLabel* Label : {lblLogin, lblPassword}) {
        Label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        Label->setFixedSize(Label->size());
    }

    edLogin = Control<QLineEdit>(this, "edLogin", 144, 8, 150, 21);
    edPassword = Control<QLineEdit>(this, "edPassword", 144, 32, 150, 21);

    bvlButtons = Control<TBevelTopLine>(this, "bvlButtons", 8, 64, 289, 17);

    btnOk = Control<QPushButton>(this, "btnOk", 139, 72, 75, 25);
    btnOk->setText(QStringLiteral("&OK"));
    btnOk->setDefault(true);
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    btnCancel = Control<QPushButton>(this, "btnCancel", 219, 72, 75, 25);
    btnCancel->setText(QStringLiteral("&Cancel"));
    // Escape and closing the window reject the dialog as this button does.
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    imgKey = Control<QLabel>(this, "imgKey", 16, 8, 24, 24);
    imgKey->setPixmap(KeyPicture());

    setTabOrder(edLogin, edPassword);
    setTabOrder(edPassword, btnOk);
    setTabOrder(btnOk, btnCancel);
    edLogin->setFocus();
}

TfrmVxILogon::~TfrmVxILogon() = default;

QPixmap TfrmVxILogon::KeyPicture()
{
    QPixmap Picture(24, 24);
    Picture.fill(Qt::transparent);
    QPainter Painter(&Picture);
    Painter.setRenderHint(QPainter::Antialiasing);
    // Drawn lying along the x axis, then turned so that it runs from the top left to the
    // bottom right with the bow at the top left.
    Painter.translate(12.5, 12);
    Painter.rotate(45);
    QPainterPath Key;
    Key.addEllipse(QPointF(-8.2, 0), 5.3, 5.3);  // the bow
    Key.addRect(QRectF(-4, -1.6, 13.5, 3.2));     // the shaft
    Key.addRect(QRectF(4.5, 1.4, 2, 3.2));        // two bits
    Key.addRect(QRectF(7.8, 1.4, 1.7, 2.4));
    Key = Key.simplified();
    QPainterPath Hole;
    Hole.addEllipse(QPointF(-9.6, 0), 1.9, 1.9);
    Key = Key.subtracted(Hole);

    QLinearGradient Gold(QPointF(0, -6), QPointF(0, 6));
    Gold.setColorAt(0, QColor(0xFF, 0xE0, 0x70));
    Gold.setColorAt(1, QColor(0xC8, 0x90, 0x10));
    Painter.setBrush(Gold);
    Painter.setPen(QPen(QColor(0x6E, 0x4C, 0x05), 1.0));
    Painter.drawPath(Key);
    return Picture;
}
