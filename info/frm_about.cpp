#include "frm_about.h"

#include "message_sink.h"
#include "resource_pixmap.h"
#include "sys_info.h"

#include <QBoxLayout>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace halvion {

namespace {

QLabel *plainLabel(QWidget *parent, const char *name, const QString &text)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    return label;
}

QFrame *rule(QWidget *parent)
{
    auto *line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

} // namespace

frmAbout::frmAbout(MessageSink &messages, QWidget *parent) : QDialog(parent), messages_(messages)
{
    setObjectName(QStringLiteral("frmAbout"));
    setModal(true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    // The icon on a small sunken plate, left of the texts.
    auto *plate = new QFrame(this);
    plate->setObjectName(QStringLiteral("iconPlate"));
    plate->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    picIcon = new QLabel(plate);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setPixmap(resourcePixmap(QStringLiteral(":/icons/halvion_64.png")));
    picIcon->setFixedSize(64, 64);
    auto *plateLayout = new QVBoxLayout(plate);
    plateLayout->setContentsMargins(6, 6, 6, 6);
    plateLayout->addWidget(picIcon);

    lblTitle = plainLabel(this, "lblTitle", QString());
    QFont titleFont = lblTitle->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.8);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    lblVersion = plainLabel(this, "lblVersion", QStringLiteral("Version ") + QStringLiteral(HALVION_VERSION));

    Label2 = plainLabel(this, "Label2", QStringLiteral("Program Description:"));
    QFont bold = Label2->font();
    bold.setBold(true);
    Label2->setFont(bold);
    Label3 = plainLabel(this, "Label3", QStringLiteral("Halvion will identify all 18 worldwide NCDXF"));
    Label5 = plainLabel(this, "Label5", QStringLiteral("HF beacon stations and display each on a relief map"));
    Label6 = plainLabel(this, "Label6", QStringLiteral("of the world along with detailed latitude and longitude"));
    Label7 = plainLabel(this, "Label7",
                        QStringLiteral("information.  In addition, the program will ID all beacon"));
    Label4 = plainLabel(this, "Label4", QStringLiteral("transmissions on 20, 17, 15, 12, and 10 meter bands."));

    lblCredit = plainLabel(this, "lblCredit",
                           QStringLiteral("World map: image courtesy of NASA (Blue Marble, NASA Visible Earth)."));
    QFont small = lblCredit->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    lblCredit->setFont(small);
    {
        QPalette p = lblCredit->palette();
        p.setColor(QPalette::WindowText, p.color(QPalette::PlaceholderText));
        lblCredit->setPalette(p);
    }

    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    cmdSysInfo->setAutoDefault(false);
    for (QPushButton *b : {cmdOK, cmdSysInfo})
        b->setMinimumWidth(112);
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);

    auto *texts = new QVBoxLayout;
    texts->setSpacing(0);
    texts->addWidget(lblTitle);
    texts->addWidget(lblVersion);
    texts->addSpacing(10);
    texts->addWidget(rule(this));
    texts->addSpacing(8);
    texts->addWidget(Label2);
    texts->addSpacing(4);
    for (QLabel *line : {Label3, Label5, Label6, Label7, Label4})
        texts->addWidget(line);

    auto *top = new QHBoxLayout;
    top->setSpacing(16);
    top->addWidget(plate, 0, Qt::AlignTop);
    top->addLayout(texts, 1);

    auto *buttons = new QVBoxLayout;
    buttons->setSpacing(6);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(lblCredit, 1, Qt::AlignBottom);
    bottom->addLayout(buttons);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(16, 16, 16, 12);
    column->setSpacing(10);
    column->addLayout(top);
    column->addSpacing(4);
    column->addWidget(rule(this));
    column->addLayout(bottom);
    column->setSizeConstraint(QLayout::SetFixedSize);
}

void frmAbout::Form_Load()
{
    setWindowTitle(QStringLiteral("About..."));
    lblTitle->setText(QStringLiteral("Halvion"));
}

void frmAbout::cmdOK_Click()
{
    accept();
}

void frmAbout::cmdSysInfo_Click()
{
    StartSysInfo();
}

void frmAbout::StartSysInfo()
{
    if (!startSystemInformationTool())
        messages_.show(this, MessageIcon::None, QStringLiteral("Halvion"),
                       QStringLiteral("System Information Is Unavailable At This Time"));
}

} // namespace halvion
