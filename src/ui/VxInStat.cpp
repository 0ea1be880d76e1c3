// The transfer status window and its pictures, all drawn here.
#include <vedidoredo/VxInStat.h>

#include <vedidoredo/VxInCnst.h>
#include "VxWindowThread.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadialGradient>

#include <climits>

namespace {

const QColor Navy(0, 0, 128);

QImage Canvas(int W, int H)
{
    QImage Img(W, H, QImage::Format_ARGB32_Premultiplied);
    Img.fill(Qt::transparent);
    return Img;
}

// A globe: blue sphere, green land, a grid of meridians.
void DrawGlobe(QPainter& P, QPointF C, qreal R)
{
    QRadialGradient Sea(C - QPointF(R / 3, R / 3), R * 1.4);
    Sea.setColorAt(0, QColor(120, 180, 255));
    Sea.setColorAt(1, QColor(20, 70, 170));
    P.setPen(QPen(QColor(10, 40, 110), R > 10 ? 1.5 : 0.8));
    P.setBrush(Sea);
    P.drawEllipse(C, R, R);
    P.save();
    QPainterPath Clip;
    Clip.addEllipse(C, R, R);
    P.setClipPath(Clip);
    P.setPen(Qt::NoPen);
    P.setBrush(QColor(60, 160, 60));
    P.drawEllipse(QPointF(C.x() - R * 0.35, C.y() - R * 0.25), R * 0.45, R * 0.35);
    P.drawEllipse(QPointF(C.x() + R * 0.4, C.y() + R * 0.35), R * 0.35, R * 0.45);
    P.setPen(QPen(QColor(255, 255, 255, 110), R > 10 ? 1.0 : 0.6));
    P.setBrush(Qt::NoBrush);
    P.drawEllipse(C, R * 0.45, R);
    P.drawLine(QPointF(C.x() - R, C.y()), QPointF(C.x() + R, C.y()));
    P.drawLine(QPointF(C.x(), C.y() - R), QPointF(C.x(), C.y() + R));
    P.restore();
}

// One chain link: a rounded ring along the given angle.
void DrawLink(QPainter& P, QPointF C, qreal Angle, qreal Length, qreal Width)
{
    P.save();
    P.translate(C);
    P.rotate(Angle);
    P.setBrush(Qt::NoBrush);
    P.setPen(QPen(QColor(60, 60, 70), 2.6, Qt::SolidLine, Qt::RoundCap));
    P.drawRoundedRect(QRectF(-Length / 2, -Width / 2, Length, Width), Width / 2, Width / 2);
    P.setPen(QPen(QColor(190, 195, 210), 1.2, Qt::SolidLine, Qt::RoundCap));
    P.drawRoundedRect(QRectF(-Length / 2, -Width / 2, Length, Width), Width / 2, Width / 2);
    P.restore();
}

void DrawArrow(QPainter& P, QPointF From, QPointF To, const QColor& Color)
{
    P.setPen(QPen(Color, 1.6, Qt::SolidLine, Qt::RoundCap));
    P.drawLine(From, To);
    const QLineF L(To, From);
    QLineF A = L;
    A.setLength(3.2);
    A.setAngle(L.angle() + 35);
    QLineF B = L;
    B.setLength(3.2);
    B.setAngle(L.angle() - 35);
    P.setBrush(Color);
    P.setPen(Qt::NoPen);
    P.drawPolygon(QPolygonF({To, A.p2(), B.p2()}));
}

QPixmap Banner()
{
    QImage Img = Canvas(138, 59);
    QPainter P(&Img);
    P.setRenderHint(QPainter::Antialiasing);
    QLinearGradient G(0, 0, 138, 0);
    G.setColorAt(0, Qt::white);
    G.setColorAt(1, QColor(170, 200, 245));
    P.fillRect(Img.rect(), G);
    P.setPen(QPen(QColor(255, 255, 255, 160), 2));
    for (int I = 0; I < 4; ++I)
        P.drawEllipse(QPointF(120, 30), 18.0 + I * 14, 18.0 + I * 14);
    return QPixmap::fromImage(Img);
}

QPixmap DescriptionPicture()
{
    QImage Img = Canvas(48, 48);
    QPainter P(&Img);
    P.setRenderHint(QPainter::Antialiasing);
    DrawGlobe(P, QPointF(22, 22), 18);
    // A download arrow over the globe.
    P.setPen(Qt::NoPen);
    P.setBrush(QColor(240, 150, 20));
    P.drawPolygon(QPolygonF({QPointF(33, 24), QPointF(41, 24), QPointF(41, 35), QPointF(46, 35),
                             QPointF(37, 45), QPointF(28, 35), QPointF(33, 35)}));
    return QPixmap::fromImage(Img);
}

QPixmap LogoPicture()
{
    QImage Img = Canvas(95, 206);
    QPainter P(&Img);
    P.setRenderHint(QPainter::Antialiasing);
    QLinearGradient G(0, 0, 0, 206);
    G.setColorAt(0, QColor(10, 30, 110));
    G.setColorAt(1, QColor(70, 130, 220));
    P.fillRect(Img.rect(), G);
    P.setPen(QPen(QColor(255, 255, 255, 40), 1));
    for (int Y = 8; Y < 206; Y += 12)
        P.drawLine(0, Y, 95, Y - 30);
    DrawGlobe(P, QPointF(47, 150), 32);
    P.setPen(QPen(QColor(255, 255, 255, 200), 2));
    P.setBrush(Qt::NoBrush);
    P.drawArc(QRectF(8, 105, 78, 90), 30 * 16, 120 * 16);
    // A broad arrow coming down to the globe.
    P.setPen(QPen(QColor(120, 80, 0), 1));
    P.setBrush(QColor(250, 200, 60));
    P.drawPolygon(QPolygonF({QPointF(39, 28), QPointF(55, 28), QPointF(55, 72), QPointF(66, 72),
                             QPointF(47, 96), QPointF(28, 72), QPointF(39, 72)}));
    return QPixmap::fromImage(Img);
}

class TVxInetStatusWindowAdapter : public TVxStatusWindow {
public:
    TVxInetStatusWindowAdapter() : W(new TfrmVxInetUpdate) {}
    ~TVxInetStatusWindowAdapter() override { delete W.data(); }

    void SetCaption(const QString& Caption) override
    {
        if (W)
            W->lblCaption->setText(Caption);
    }
    void SetStatusText(const QString& Text) override
    {
        if (W)
            W->lblStatus->setText(Text);
    }
    void SetStep(int) override {}
    void SetStepImage(int Step, int Image) override
    {
        if (!W)
            return;
        if (QLabel* L = W->StepImage(Step)) {
            L->clear();
            if (Image >= 0 && Image < W->imgStatus.size())
                L->setPixmap(W->imgStatus[Image]);
        }
    }
    void SetProgress(qint64 Position, qint64 Maximum) override
    {
        if (!W)
            return;
        // The bar counts in int: large sizes are scaled down together.
        while (Maximum > INT_MAX || Position > INT_MAX) {
            Maximum >>= 1;
            Position >>= 1;
        }
        W->pbStatus->setMaximum(static_cast<int>(std::max<qint64>(0, Maximum)));
        W->pbStatus->setValue(static_cast<int>(std::clamp<qint64>(Position, 0, std::max<qint64>(0, Maximum))));
    }
    void Show() override
    {
        if (W)
            W->show();
    }
    void Hide() override
    {
        if (W)
            W->hide();
    }
    void ProcessEvents() override { QCoreApplication::processEvents(); }
    void SetFileNames(const QString& Remote, const QString& Local, bool Visible) override
    {
        if (!W)
            return;
        W->lblRemoteFileName->setText(Remote);
        W->lblLocalFileName->setText(Local);
        W->lblRemoteFileName->setVisible(Visible);
        W->lblLocalFileName->setVisible(Visible);
    }
    void SetDescription(const QString& Text) override
    {
        if (W)
            W->lblDescription->setText(Text);
    }
    void SetIcon(const QByteArray& Image) override
    {
        QPixmap P;
        if (W && P.loadFromData(Image))
            W->setWindowIcon(QIcon(P));
    }
    void SetPicture(const QByteArray& Image) override
    {
        QPixmap P;
        if (W && P.loadFromData(Image))
            W->imgLogo->setPixmap(P);
    }
    bool IsCanceled() const override { return W && W->IsCanceled; }
    void SetCanceled(bool Value) override
    {
        if (W)
            W->IsCanceled = Value;
    }

private:
    QPointer<TfrmVxInetUpdate> W;
};

QLabel* MakeLabel(QWidget* Parent, const char* Name, const QRect& Geometry, const QString& Text = {})
{
    auto* L = new QLabel(Text, Parent);
    L->setObjectName(QLatin1String(Name));
    L->setGeometry(Geometry);
    return L;
}

}  // namespace

QPixmap VxDrawStepImage(int Index)
{
    QImage Img = Canvas(16, 16);
    QPainter P(&Img);
    P.setRenderHint(QPainter::Antialiasing);
    switch (Index) {
    case 0:  // running: a dark blue triangle pointing right
        P.setPen(QPen(QColor(0, 0, 90), 0.8));
        P.setBrush(Navy);
        P.drawPolygon(QPolygonF({QPointF(4.5, 2.5), QPointF(12.5, 8), QPointF(4.5, 13.5)}));
        break;
    case 1:  // warning: a yellow diamond with an exclamation mark
        P.setPen(QPen(QColor(120, 90, 0), 0.9));
        P.setBrush(QColor(255, 215, 0));
        P.drawPolygon(QPolygonF({QPointF(8, 0.8), QPointF(15.2, 8), QPointF(8, 15.2), QPointF(0.8, 8)}));
        P.setPen(Qt::NoPen);
        P.setBrush(Qt::black);
        P.drawRect(QRectF(7.1, 4, 1.8, 6));
        P.drawEllipse(QRectF(7.1, 11, 1.8, 1.8));
        break;
    case 2:  // connected: two joined chain links
        DrawLink(P, QPointF(5.5, 10.5), -45, 9, 5);
        DrawLink(P, QPointF(10.5, 5.5), -45, 9, 5);
        break;
    case 3:  // compared: a globe with a magnifying glass
        DrawGlobe(P, QPointF(6.5, 6.5), 5.5);
        P.setPen(QPen(QColor(90, 60, 20), 2.2, Qt::SolidLine, Qt::RoundCap));
        P.drawLine(QPointF(12.6, 12.6), QPointF(15, 15));
        P.setPen(QPen(QColor(40, 40, 40), 1.2));
        P.setBrush(QColor(230, 240, 255, 170));
        P.drawEllipse(QPointF(10.5, 10.5), 3.1, 3.1);
        break;
    case 4:  // downloaded: a globe with two arrows
        DrawGlobe(P, QPointF(8, 8), 5.2);
        DrawArrow(P, QPointF(14.5, 1.5), QPointF(14.5, 9.5), QColor(0, 150, 0));
        DrawArrow(P, QPointF(1.5, 14.5), QPointF(1.5, 6.5), QColor(200, 90, 0));
        break;
    case 5:  // disconnected: a broken chain
        DrawLink(P, QPointF(4.2, 11.8), -45, 7, 4.5);
        DrawLink(P, QPointF(11.8, 4.2), -45, 7, 4.5);
        P.setPen(QPen(QColor(210, 30, 30), 1.1, Qt::SolidLine, Qt::RoundCap));
        P.drawLine(QPointF(6.8, 5.5), QPointF(7.6, 7.0));
        P.drawLine(QPointF(9.8, 8.6), QPointF(11.0, 9.8));
        P.drawLine(QPointF(5.8, 8.4), QPointF(7.0, 8.9));
        break;
    default:
        break;
    }
    P.end();
    return QPixmap::fromImage(Img);
}

TfrmVxInetUpdate::TfrmVxInetUpdate(QWidget* Parent) : QDialog(Parent)
{
    setObjectName(QStringLiteral("frmVxInetUpdate"));
    // The close box is left out: the window belongs to the running transfer, which
    // frees it at its end; Cancel is the way to stop.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    setFixedSize(491, 286);
    setWindowTitle(strVxInSoftwareUpdate);

    pnlDescription = new QFrame(this);
    pnlDescription->setObjectName(QStringLiteral("pnlDescription"));
    pnlDescription->setGeometry(0, 0, 491, 59);
    pnlDescription->setFrameShape(QFrame::NoFrame);
    pnlDescription->setAutoFillBackground(true);
    QPalette White = pnlDescription->palette();
    White.setColor(QPalette::Window, Qt::white);
    pnlDescription->setPalette(White);

    imgBackground = MakeLabel(pnlDescription, "imgBackground", QRect(353, 0, 138, 59));
    imgBackground->setPixmap(Banner());
    lblCaption = MakeLabel(pnlDescription, "lblCaption", QRect(16, 5, 300, 13));
    QFont Bold = lblCaption->font();
    Bold.setBold(true);
    lblCaption->setFont(Bold);
    QPalette NavyText = lblCaption->palette();
    NavyText.setColor(QPalette::WindowText, Navy);
    lblCaption->setPalette(NavyText);
    imgDescription = MakeLabel(pnlDescription, "imgDescription", QRect(440, 6, 48, 48));
    imgDescription->setPixmap(DescriptionPicture());
    imgDescription->setAttribute(Qt::WA_TranslucentBackground);
    lblDescription = MakeLabel(pnlDescription, "lblDescription", QRect(32, 20, 360, 38));
    lblDescription->setPalette(NavyText);
    lblDescription->setWordWrap(true);
    lblDescription->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblDescription->setAttribute(Qt::WA_TranslucentBackground);

    imgLogo = MakeLabel(this, "imgLogo", QRect(5, 65, 95, 206));
    imgLogo->setPixmap(LogoPicture());

    btnCancel = new QPushButton(tr("&Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setGeometry(408, 256, 75, 25);
    btnCancel->setAutoDefault(false);
    connect(btnCancel, &QPushButton::clicked, this, [this] { IsCanceled = true; });

    lblStep1 = MakeLabel(this, "lblStep1", QRect(200, 122, 150, 13), QStringLiteral("Step 1: Connection/Logon"));
    lblStep2 = MakeLabel(this, "lblStep2", QRect(200, 140, 150, 13), QStringLiteral("Step 2: File search"));
    lblStep3 = MakeLabel(this, "lblStep3", QRect(200, 158, 150, 13), QStringLiteral("Step 3: Download"));
    lblStep4 = MakeLabel(this, "lblStep4", QRect(200, 176, 150, 13), QStringLiteral("Step 4: Disconnect/Logoff"));

    for (int I = 0; I < 6; ++I)
        imgStatus.append(VxDrawStepImage(I));
    imgStep1 = MakeLabel(this, "imgStep1", QRect(179, 120, 16, 16));
    imgStep2 = MakeLabel(this, "imgStep2", QRect(179, 138, 16, 16));
    imgStep3 = MakeLabel(this, "imgStep3", QRect(179, 156, 16, 16));
    imgStep4 = MakeLabel(this, "imgStep4", QRect(179, 174, 16, 16));
    for (QLabel* L : {imgStep1, imgStep2, imgStep3, imgStep4})
        L->setAttribute(Qt::WA_TranslucentBackground);

    lblRemote = MakeLabel(this, "lblRemote", QRect(105, 80, 70, 13), QStringLiteral("Remote file:"));
    lblRemote->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblLocal = MakeLabel(this, "lblLocal", QRect(105, 96, 70, 13), QStringLiteral("Local file:"));
    lblLocal->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QPalette Highlight = palette();
    Highlight.setColor(QPalette::WindowText, palette().color(QPalette::Highlight));
    lblLocalFileName = MakeLabel(this, "lblLocalFileName", QRect(185, 96, 300, 13));
    lblLocalFileName->setPalette(Highlight);
    lblRemoteFileName = MakeLabel(this, "lblRemoteFileName", QRect(185, 80, 300, 13));
    lblRemoteFileName->setPalette(Highlight);

    pbStatus = new QProgressBar(this);
    pbStatus->setObjectName(QStringLiteral("pbStatus"));
    pbStatus->setGeometry(130, 214, 337, 10);
    pbStatus->setRange(0, 100);
    pbStatus->setValue(0);
    pbStatus->setTextVisible(false);
    lblStatus = MakeLabel(this, "lblStatus", QRect(128, 200, 339, 13));
}

TfrmVxInetUpdate::~TfrmVxInetUpdate() = default;

QLabel* TfrmVxInetUpdate::StepImage(int Step) const
{
    switch (Step) {
    case 1: return imgStep1;
    case 2: return imgStep2;
    case 3: return imgStep3;
    case 4: return imgStep4;
    default: return nullptr;
    }
}

void TfrmVxInetUpdate::closeEvent(QCloseEvent* Event)
{
    Event->ignore();
}

void TfrmVxInetUpdate::reject()
{
    // Escape works like the Cancel button; the window stays until the run ends.
    IsCanceled = true;
}

std::unique_ptr<TVxStatusWindow> VxCreateInetStatusWindow(QObject*)
{
    if (!VxCanShowWindows())
        return nullptr;  // no window off the application's thread or without widgets
    return std::make_unique<TVxInetStatusWindowAdapter>();
}
