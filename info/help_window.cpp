#include "help_window.h"

#include "beacon_catalogue.h"

#include <QAction>
#include <QBoxLayout>
#include <QFile>
#include <QPushButton>
#include <QTextBrowser>

namespace halvion {

namespace {

QString resourceText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

QString html(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toHtmlEscaped();
}

// The 18 stations in transmission order, as rows of the description's table.
QString stationRows()
{
    QString rows;
    for (BeaconIndex i = 0; i < BeaconCount; ++i) {
        const Beacon &b = BeaconCatalogue::beacon(i);
        rows += QStringLiteral("<tr><td align=\"right\">%1</td><td><b>%2</b></td><td>%3</td></tr>\n")
                    .arg(i + 1)
                    .arg(html(b.callsign), html(b.site));
    }
    return rows;
}

QString instructionsHtml()
{
    return resourceText(QStringLiteral(":/help/instructions.html"));
}

// The description's station list is filled in from the beacon catalogue.
QString descriptionHtml()
{
    return resourceText(QStringLiteral(":/help/description.html"))
        .replace(QStringLiteral("<!-- station rows -->"), stationRows());
}

} // namespace

HelpWindow::HelpWindow(const char *name, const QString &caption, const QString &text, const char *closeName,
                       QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QLatin1String(name));
    setWindowTitle(caption);
    // A help window left open must not keep the program running.
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(700, 600);
    setMinimumSize(420, 300);

    RichTextBox1 = new QTextBrowser(this);
    RichTextBox1->setObjectName(QStringLiteral("RichTextBox1"));
    RichTextBox1->setReadOnly(true);
    RichTextBox1->setOpenLinks(false);
    RichTextBox1->document()->setDocumentMargin(14);
    RichTextBox1->setHtml(text);
    // The keys scroll the text as soon as the window opens.
    RichTextBox1->setFocus();

    closeButton_ = new QPushButton(QStringLiteral("&Close"), this);
    closeButton_->setObjectName(QLatin1String(closeName));
    closeButton_->setAutoDefault(false);
    closeButton_->setMinimumWidth(96);

    auto *escape = new QAction(this);
    escape->setShortcut(Qt::Key_Escape);
    connect(escape, &QAction::triggered, this, &QWidget::close);
    addAction(escape);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(closeButton_);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(8, 8, 8, 8);
    column->setSpacing(8);
    column->addWidget(RichTextBox1, 1);
    column->addLayout(buttons);
}

void HelpWindow::openAt(const QWidget *mainWindow)
{
    if (mainWindow)
        move(mainWindow->pos());
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

InstructionForm::InstructionForm(QWidget *parent)
    : HelpWindow("InstructionForm", QStringLiteral("Halvion Program Instructions:"), instructionsHtml(), "Command1",
                 parent)
{
    Command1 = closeButton();
    connect(Command1, &QPushButton::clicked, this, &InstructionForm::Command1_Click);
}

void InstructionForm::Command1_Click()
{
    close();
}

DescriptionForm::DescriptionForm(QWidget *parent)
    : HelpWindow("DescriptionForm", QStringLiteral("Halvion Program Description:"), descriptionHtml(), "Command2",
                 parent)
{
    Command2 = closeButton();
    connect(Command2, &QPushButton::clicked, this, &DescriptionForm::Command2_Click);
}

void DescriptionForm::Command2_Click()
{
    close();
}

} // namespace halvion
