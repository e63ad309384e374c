#include "frm_splash.h"

#include "open_link.h"
#include "resource_pixmap.h"

#include <QBoxLayout>
#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>

namespace halvion {

namespace {

const QColor LinkAtRest(0, 0, 255);
const QColor LinkHeld(255, 0, 0);

} // namespace

frmSplash::frmSplash(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmSplash"));
    // The splash going away must never end the program: the main window is still
    // hidden at that moment.
    setAttribute(Qt::WA_QuitOnClose, false);

    auto* frame = new QFrame(this);
    frame->setFrameStyle(QFrame::Box | QFrame::Plain);
    frame->setLineWidth(1);
    {
        QPalette p = frame->palette();
        p.setColor(QPalette::WindowText, QColor(70, 80, 100));
        p.setColor(QPalette::Window, QColor(246, 248, 252));
        frame->setPalette(p);
        frame->setAutoFillBackground(true);
    }
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(frame);

    Image1 = new QLabel(frame);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setFixedSize(582, 240);
    Image1->setPixmap(resourcePixmap(QStringLiteral(":/splash/splash.png")));

    Label4 = new QLabel(QStringLiteral("Visit the Halvion web site :"), frame);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label4->setTextFormat(Qt::PlainText);
    {
        QPalette p = Label4->palette();
        p.setColor(QPalette::WindowText, QColor(20, 20, 20));
        Label4->setPalette(p);
    }

    Picture3 = new QWidget(frame);
    Picture3->setObjectName(QStringLiteral("Picture3"));

    Label3 = new QLabel(Picture3);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setTextFormat(Qt::PlainText);
    Label3->setTextInteractionFlags(Qt::NoTextInteraction);
    Label3->setCursor(Qt::PointingHandCursor);
    Label3->installEventFilter(this);

    auto* linkRow = new QHBoxLayout;
    linkRow->setSpacing(6);
    linkRow->addStretch(1);
    linkRow->addWidget(Label4, 0, Qt::AlignVCenter);
    linkRow->addWidget(Picture3, 0, Qt::AlignVCenter);
    linkRow->addStretch(1);

    auto* column = new QVBoxLayout(frame);
    column->setContentsMargins(8, 8, 8, 10);
    column->setSpacing(10);
    column->addWidget(Image1, 0, Qt::AlignHCenter);
    column->addLayout(linkRow);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(4000);
    Timer1->setSingleShot(true);
    connect(Timer1, &QTimer::timeout, this, &frmSplash::Timer1_Timer);
}

void frmSplash::Form_Load()
{
    Q_EMIT loadMainWindow();

    Label3->setText(QString::fromUtf8(HomePageAddress));
    Label3->move(0, 0);
    setLinkColour(LinkAtRest);
    QFont font = Label3->font();
    font.setUnderline(true);
    Label3->setFont(font);
    Label3->adjustSize();
    // The clickable area is exactly the link text.
    Picture3->setFixedSize(Label3->size());

    adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }

    Timer1->start();
}

void frmSplash::Timer1_Timer()
{
    close();
}

// However the splash goes (its timer, the window manager's close, Alt+F4), its going is
// the hand-over: the program must never run on with no window at all.
void frmSplash::closeEvent(QCloseEvent* event)
{
    Timer1->stop();
    QWidget::closeEvent(event);
    if (!handedOver_) {
        handedOver_ = true;
        Q_EMIT handOver();
    }
}

void frmSplash::Label3_MouseDown()
{
    if (Label3->palette().color(QPalette::WindowText) == LinkAtRest) {
        setLinkColour(LinkHeld);
        Label3->repaint();
    }
}

void frmSplash::Label3_MouseUp()
{
    if (Label3->palette().color(QPalette::WindowText) == LinkHeld) {
        setLinkColour(LinkAtRest);
        Label3->repaint();
    }
}

void frmSplash::Label3_Click()
{
    OpenLink(Label3->text());
}

void frmSplash::setLinkColour(const QColor& colour)
{
    QPalette p = Label3->palette();
    p.setColor(QPalette::WindowText, colour);
    Label3->setPalette(p);
}

// A press and release of the left button on the link is a click; any button
// turns the link red while it is held down.
bool frmSplash::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Label3) {
        switch (event->type()) {
        case QEvent::MouseButtonPress: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            linkPressed_ = mouse->button() == Qt::LeftButton;
            Label3_MouseDown();
            break;
        }
        case QEvent::MouseButtonDblClick:
            // The first click of the pair has opened the page already.
            linkPressed_ = false;
            Label3_MouseDown();
            break;
        case QEvent::MouseButtonRelease: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            const bool click = linkPressed_ && mouse->button() == Qt::LeftButton
                && Label3->rect().contains(mouse->position().toPoint());
            linkPressed_ = false;
            Label3_MouseUp();
            if (click)
                Label3_Click();
            break;
        }
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace halvion
