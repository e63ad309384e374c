#include "frm_monitor_results.h"

#include "frm_beacon_monitor.h"
#include "monitor_colours.h"
#include "monitor_controller.h"
#include "pc_time_text.h"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QScatterSeries>
#include <QScreen>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTimeZone>
#include <QTimer>
#include <QValueAxis>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <cmath>

namespace halvion {

namespace {

QString latin(std::string_view text) { return QString::fromLatin1(text.data(), qsizetype(text.size())); }
QString callsign(BeaconIndex i) { return latin(BeaconCatalogue::beacon(i).callsign); }
QString bandName(BandIndex b) { return latin(BeaconCatalogue::band(b).bandLabel) + QStringLiteral(" m"); }

QString ageText(qint64 ms)
{
    const qint64 minutes = std::max<qint64>(0, ms / 60000);
    if (minutes < 1)
        return QStringLiteral("just now");
    if (minutes < 120)
        return QStringLiteral("%1 min ago").arg(minutes);
    if (minutes < 48 * 60)
        return QStringLiteral("%1 h ago").arg(minutes / 60);
    return QStringLiteral("%1 days ago").arg(minutes / (24 * 60));
}

QString dbText(double db) { return std::isfinite(db) ? QStringLiteral("%1 dB").arg(db, 0, 'f', 1) : QStringLiteral("-"); }

constexpr qint64 DayMs = 24 * 60 * 60 * 1000;
// Room for "0.1 W * 12m": the lowest power heard and the measurement's age.
constexpr int ColumnWidth = 84;

const std::array<QColor, BandCount> BandColours{QColor(0x1f, 0x77, 0xb4), QColor(0x2c, 0xa0, 0x2c), QColor(0xff, 0x7f, 0x0e),
                                                QColor(0x94, 0x67, 0xbd), QColor(0xd6, 0x27, 0x28)};

// Six colours far apart in hue and lightness, for the stations (with three shapes).
const std::array<QColor, 6> StationColours{QColor(0x00, 0x72, 0xb2), QColor(0xe6, 0x9f, 0x00), QColor(0x00, 0x9e, 0x73),
                                           QColor(0xcc, 0x33, 0x11), QColor(0x8e, 0x44, 0xad), QColor(0x33, 0x33, 0x33)};

// The time axis labels its points in local time. With times in UTC each point goes
// where the local clock would show that UTC time of day, so the axis reads UTC.
QDateTime axisTime(qint64 utcMs)
{
    const QDateTime utc = QDateTime::fromMSecsSinceEpoch(utcMs, Qt::UTC);
    if (!timesInUtc())
        return utc.toLocalTime();
    return QDateTime(utc.date(), utc.time(), Qt::LocalTime);
}

} // namespace

frmMonitorResults::frmMonitorResults(MonitorController &monitor, QWidget *parent)
    : QWidget(parent, Qt::Window), monitor_(monitor)
{
    setObjectName(QStringLiteral("frmMonitorResults"));
    setWindowTitle(QStringLiteral("Halvion - Beacon Monitor Results"));

    ResultsGrid = new QTableWidget(BeaconCount, BandCount, this);
    ResultsGrid->setObjectName(QStringLiteral("ResultsGrid"));
    ResultsGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ResultsGrid->setSelectionMode(QAbstractItemView::NoSelection); // a selection would hide a cell's colour
    ResultsGrid->setFocusPolicy(Qt::NoFocus);
    QStringList rows, columns;
    for (BeaconIndex s = 0; s < BeaconCount; ++s)
        rows << callsign(s);
    for (BandIndex b = 0; b < BandCount; ++b)
        columns << bandName(b);
    ResultsGrid->setVerticalHeaderLabels(rows);
    ResultsGrid->setHorizontalHeaderLabels(columns);
    ResultsGrid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    ResultsGrid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    ResultsGrid->horizontalHeader()->setDefaultSectionSize(ColumnWidth);
    ResultsGrid->verticalHeader()->setDefaultSectionSize(22);
    for (BeaconIndex s = 0; s < BeaconCount; ++s)
        for (BandIndex b = 0; b < BandCount; ++b) {
            auto *item = new QTableWidgetItem;
            item->setTextAlignment(Qt::AlignCenter);
            ResultsGrid->setItem(s, b, item);
        }
    ResultsGrid->setFixedWidth(ResultsGrid->verticalHeader()->sizeHint().width() + BandCount * ColumnWidth + 4);
    ResultsGrid->setFixedHeight(ResultsGrid->horizontalHeader()->sizeHint().height() + 18 * 22 + 4);

    ColourKey = new QLabel(this);
    ColourKey->setObjectName(QStringLiteral("ColourKey"));
    QString key = QStringLiteral("Lowest power heard:<br>");
    const char *names[] = {"not heard", "100 W", "10 W", "1 W", "0.1 W"};
    for (int d = 0; d <= 4; ++d)
        key += QStringLiteral("<span style=\"background:%1\">&nbsp;&nbsp;&nbsp;&nbsp;</span>&nbsp;%2&nbsp;&nbsp; ")
                   .arg(MonitorColours::forResult(d).name(), QLatin1String(names[d]));
    ColourKey->setText(key + QStringLiteral("<br>Colours fade once a measurement is older than a quarter of an hour. "
                                            "Click a station or a band for its chart."));
    ColourKey->setWordWrap(true);

    ChartSubject = new QComboBox(this);
    ChartSubject->setObjectName(QStringLiteral("ChartSubject"));
    for (BeaconIndex s = 0; s < BeaconCount; ++s)
        ChartSubject->addItem(QStringLiteral("Station %1 on every band").arg(callsign(s)));
    for (BandIndex b = 0; b < BandCount; ++b)
        ChartSubject->addItem(QStringLiteral("Every station on %1").arg(bandName(b)));

    ChartSpan = new QComboBox(this);
    ChartSpan->setObjectName(QStringLiteral("ChartSpan"));
    ChartSpan->addItems({QStringLiteral("What the data spans"), QStringLiteral("Last hour"), QStringLiteral("Last 6 hours"),
                         QStringLiteral("Last 24 hours")});

    auto *chart = new QChart;
    chart->setMargins(QMargins(4, 4, 4, 4));
    chart->legend()->setAlignment(Qt::AlignBottom);
    HistoryChart = new QChartView(chart, this);
    HistoryChart->setObjectName(QStringLiteral("HistoryChart"));
    HistoryChart->setRenderHint(QPainter::Antialiasing);
    HistoryChart->setMinimumSize(520, 380);

    ClockOffsetLabel = new QLabel(this);
    ClockOffsetLabel->setObjectName(QStringLiteral("ClockOffsetLabel"));
    LastCycleOnly = new QCheckBox(QStringLiteral("Last 3 minutes only"), this);
    LastCycleOnly->setObjectName(QStringLiteral("LastCycleOnly"));
    LastCycleOnly->setToolTip(QStringLiteral("Only the latest cycle of 18 slots, in which every station sends once on "
                                             "every band: with a receiver on each band, all 90 cells are of the same "
                                             "three minutes."));
    ExportCsv = new QPushButton(QStringLiteral("Export CSV..."), this);
    ExportCsv->setObjectName(QStringLiteral("ExportCsv"));

    auto *left = new QVBoxLayout;
    left->addWidget(LastCycleOnly);
    left->addWidget(ResultsGrid);
    left->addWidget(ColourKey);
    left->addStretch();
    auto *right = new QVBoxLayout;
    auto *chartChoice = new QHBoxLayout;
    chartChoice->addWidget(ChartSubject, 1);
    chartChoice->addWidget(ChartSpan);
    right->addLayout(chartChoice);
    right->addWidget(HistoryChart, 1);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(ClockOffsetLabel, 1);
    bottom->addWidget(ExportCsv);
    right->addLayout(bottom);
    auto *layout = new QHBoxLayout(buildPages());
    layout->addLayout(left);
    layout->addLayout(right, 1);
    ColourKey->setMaximumWidth(ResultsGrid->width());

    AgeTimer = new QTimer(this);
    AgeTimer->setObjectName(QStringLiteral("AgeTimer"));
    AgeTimer->setInterval(60 * 1000);
    AgeTimer->start();
    connect(AgeTimer, &QTimer::timeout, this, &frmMonitorResults::showGrid);
    connect(ResultsGrid, &QTableWidget::cellClicked, this, &frmMonitorResults::ResultsGrid_Click);
    connect(ResultsGrid->verticalHeader(), &QHeaderView::sectionClicked, this, &frmMonitorResults::chooseStation);
    connect(ResultsGrid->horizontalHeader(), &QHeaderView::sectionClicked, this, &frmMonitorResults::chooseBand);
    connect(ChartSubject, &QComboBox::activated, this, &frmMonitorResults::ChartSubject_Click);
    connect(ChartSpan, &QComboBox::activated, this, &frmMonitorResults::ChartSpan_Click);
    connect(ExportCsv, &QPushButton::clicked, this, &frmMonitorResults::ExportCsv_Click);
    connect(LastCycleOnly, &QCheckBox::clicked, this, &frmMonitorResults::LastCycleOnly_Click);
    connect(&monitor_.engine(), &MonitorEngine::measured, this, [this] {
        if (isVisible())
            refresh();
    });
    connect(&monitor_.engine(), &MonitorEngine::recordingFinished, this, &frmMonitorResults::refresh);
}

void frmMonitorResults::refresh()
{
    latest_ = LastCycleOnly->isChecked() ? latestCycle() : monitor_.log().latestPerPair();
    showGrid();
    showChart();
    showClockOffset();
}

void frmMonitorResults::showGrid()
{
    const qint64 now = monitor_.nowUtcMs();
    const QColor background = palette().color(QPalette::Base);
    for (BeaconIndex s = 0; s < BeaconCount; ++s)
        for (BandIndex b = 0; b < BandCount; ++b) {
            QTableWidgetItem *item = ResultsGrid->item(s, b);
            item->setText(QString());
            item->setToolTip(QStringLiteral("%1 on %2: not measured yet").arg(callsign(s), bandName(b)));
            item->setBackground(background);
        }
    for (const SlotMeasurement &m : latest_) {
        QTableWidgetItem *item = ResultsGrid->item(m.station(), m.band);
        const qint64 age = now - m.slotStartUtcMs();
        item->setBackground(MonitorColours::cell(m.dashesHeard, age, background));
        item->setForeground(m.dashesHeard == 4 && MonitorColours::strength(age) > 0.6 ? QColor(Qt::white)
                                                                                       : QColor(Qt::black));
        // Heard in another station's slot: the reading is this station's, but the clock
        // or the schedule was off, so it is marked and its cell's text is in italics.
        QFont font = item->font();
        font.setItalic(m.otherStation());
        item->setFont(font);
        const QString heardAt = QString::fromLatin1(m.heardAtText()) + (m.otherStation() ? QStringLiteral(" *") : QString());
        item->setText((m.heard() ? heardAt : QStringLiteral("-")) + QLatin1Char(' ') + cellAgeText(age));
        // The cell's "100 W" is the weakest dash heard, not a power setting: the tip says so first.
        QString tip = QStringLiteral("%1 on %2: %3\n%4 (%5)")
                          .arg(callsign(m.station()), bandName(m.band),
                               m.heard() ? QStringLiteral("heard at ") + heardAt : QStringLiteral("not heard"),
                               instantDateTimeText(m.slotStartUtcMs()),
                               ageText(age));
        if (m.heard()) {
            tip += QStringLiteral("\nDashes: 100 W %1, 10 W %2, 1 W %3, 0.1 W %4 (SNR in 2.5 kHz)\n"
                                  "Tone %5 Hz, started %6 s from the slot by the PC clock")
                       .arg(dbText(m.dashSnrDb[0]), dbText(m.dashSnrDb[1]), dbText(m.dashSnrDb[2]), dbText(m.dashSnrDb[3]))
                       .arg(m.toneHz, 0, 'f', 1)
                       .arg(m.offsetSeconds, 0, 'f', 2);
            if (!m.callsign.empty() && QString::fromStdString(m.callsign) != callsign(m.station()))
                tip += QStringLiteral("\nSigning %1").arg(QString::fromStdString(m.callsign));
            if (m.otherStation())
                tip += QStringLiteral("\n* Other station: heard in %1's slot - the clock or the schedule was off")
                           .arg(callsign(m.expected));
        }
        item->setToolTip(tip);
    }
}

QString frmMonitorResults::cellAgeText(qint64 ms)
{
    const qint64 minutes = std::max<qint64>(0, ms / 60000);
    if (minutes < 1)
        return QStringLiteral("now");
    if (minutes < 120)
        return QStringLiteral("%1m").arg(minutes);
    if (minutes < 48 * 60)
        return QStringLiteral("%1h").arg(minutes / 60);
    return QStringLiteral("%1d").arg(minutes / (24 * 60));
}

std::vector<SlotMeasurement> frmMonitorResults::latestCycle() const
{
    qint64 newest = -1;
    for (const SlotMeasurement &m : monitor_.log().latestPerPair())
        newest = std::max(newest, m.slotNumber);
    if (newest < 0)
        return {};
    const qint64 first = newest - (BeaconCount - 1); // one cycle: every station once on every band
    // history() is oldest first: a later row of the same pair (an "other station" reading
    // landing on a pair twice) replaces the earlier one.
    std::vector<SlotMeasurement> out;
    for (const SlotMeasurement &m : monitor_.log().history(first * 10000, -1, -1)) {
        if (m.slotNumber > newest)
            continue;
        const auto same = std::find_if(out.begin(), out.end(), [&m](const SlotMeasurement &o) {
            return o.station() == m.station() && o.band == m.band;
        });
        if (same != out.end())
            *same = m;
        else
            out.push_back(m);
    }
    return out;
}

void frmMonitorResults::LastCycleOnly_Click(bool) { refresh(); }

void frmMonitorResults::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (placed_)
        return;
    placed_ = true;
    // The first time it opens it goes over the program's main window (the map or the compact
    // view, whichever shows), kept on that screen with its title bar reachable; without one,
    // in the middle of the screen. After that it stays where the user leaves it.
    QWidget *over = QApplication::activeWindow();
    if (!qobject_cast<QMainWindow *>(over)) {
        const QWidgetList windows = QApplication::topLevelWidgets();
        const auto main = std::find_if(windows.begin(), windows.end(), [this](const QWidget *w) {
            return w != this && w->isVisible() && qobject_cast<const QMainWindow *>(w);
        });
        over = main != windows.end() ? *main : nullptr;
    }
    const QScreen *screen = over ? over->screen() : this->screen();
    if (!screen)
        return;
    const QRect room = screen->availableGeometry();
    QRect placed(QPoint(), frameGeometry().size());
    placed.moveCenter(over ? over->frameGeometry().center() : room.center());
    placed.moveRight(std::min(placed.right(), room.right()));
    placed.moveBottom(std::min(placed.bottom(), room.bottom()));
    placed.moveLeft(std::max(placed.left(), room.left()));
    placed.moveTop(std::max(placed.top(), room.top()));
    move(placed.topLeft());
}

void frmMonitorResults::showChart()
{
    QChart *chart = HistoryChart->chart();
    chart->removeAllSeries();
    for (QAbstractAxis *axis : chart->axes())
        chart->removeAxis(axis);

    const int subject = ChartSubject->currentIndex();
    const bool byStation = subject < BeaconCount;
    const qint64 now = monitor_.nowUtcMs();
    // A fixed span ends now; "what the data spans" takes every row there is, so a
    // recording made days ago fills the chart rather than a sliver of it.
    static constexpr qint64 SpanMs[] = {0, 3600 * 1000, 6 * 3600 * 1000, DayMs};
    const qint64 span = SpanMs[std::clamp(ChartSpan->currentIndex(), 0, 3)];
    const auto rows = monitor_.log().history(span > 0 ? now - span : 0, byStation ? subject : -1,
                                             byStation ? -1 : subject - BeaconCount);
    qint64 from = now - (span > 0 ? span : DayMs), to = now;
    if (span == 0) {
        qint64 first = -1, last = -1;
        for (const SlotMeasurement &m : rows)
            if (m.heard()) {
                first = first < 0 ? m.slotStartUtcMs() : std::min(first, m.slotStartUtcMs());
                last = std::max(last, m.slotStartUtcMs());
            }
        if (first >= 0) {
            const qint64 margin = std::max<qint64>(60 * 1000, (last - first) / 20);
            from = first - margin;
            to = last + margin;
        }
    }
    const QString spanText = span == 0 ? QStringLiteral("the time the data spans")
                             : span == DayMs ? QStringLiteral("the last 24 hours")
                             : span == 3600 * 1000 ? QStringLiteral("the last hour")
                                                   : QStringLiteral("the last 6 hours");
    chart->setTitle(QStringLiteral("%1: the 100-W dash over %2")
                        .arg(byStation ? callsign(subject) : bandName(subject - BeaconCount), spanText));

    auto *time = new QDateTimeAxis;
    // Seconds too when the ticks (six steps) are less than a minute apart, or minutes repeat.
    time->setFormat(to - from > DayMs          ? QStringLiteral("MM-dd HH:mm")
                    : to - from < 6 * 60 * 1000 ? QStringLiteral("HH:mm:ss")
                                                : QStringLiteral("HH:mm"));
    time->setTitleText(timesInUtc() ? QStringLiteral("UTC") : QStringLiteral("Local time"));
    time->setTickCount(7);
    time->setRange(axisTime(from), axisTime(to));
    auto *snr = new QValueAxis;
    snr->setTitleText(QStringLiteral("SNR in 2.5 kHz, dB"));
    snr->setRange(-30, 30);
    snr->setTickCount(7);
    snr->setLabelFormat(QStringLiteral("%d"));
    chart->addAxis(time, Qt::AlignBottom);
    chart->addAxis(snr, Qt::AlignLeft);

    // One series per band for a station, one per station heard for a band.
    const int seriesCount = byStation ? BandCount : BeaconCount;
    std::vector<QScatterSeries *> series(std::size_t(seriesCount), nullptr);
    double lowest = -30, highest = 30;
    for (const SlotMeasurement &m : rows) {
        if (!m.heard() || !std::isfinite(m.dashSnrDb[0]))
            continue;
        const int k = byStation ? m.band : m.station();
        auto &s = series[std::size_t(k)];
        if (!s) {
            s = new QScatterSeries;
            s->setName(byStation ? bandName(k) : callsign(k));
            // Each band and each station keeps its own look from chart to chart: a band
            // its colour and shape, a station one of six distinct colours with one of
            // three shapes, so no two of the eighteen look alike.
            static constexpr QScatterSeries::MarkerShape Shapes[] = {
                QScatterSeries::MarkerShapeCircle, QScatterSeries::MarkerShapeRectangle, QScatterSeries::MarkerShapeTriangle,
                QScatterSeries::MarkerShapeRotatedRectangle, QScatterSeries::MarkerShapeStar};
            s->setColor(byStation ? BandColours[std::size_t(k)] : StationColours[std::size_t(k % 6)]);
            s->setMarkerShape(byStation ? Shapes[k % 5] : Shapes[k / 6]);
            s->setMarkerSize(byStation ? 8 : 9);
            s->setBorderColor(Qt::transparent);
        }
        s->append(double(axisTime(m.slotStartUtcMs()).toMSecsSinceEpoch()), m.dashSnrDb[0]);
        lowest = std::min(lowest, m.dashSnrDb[0]);
        highest = std::max(highest, m.dashSnrDb[0]);
    }
    snr->setRange(10 * std::floor(lowest / 10), 10 * std::ceil(highest / 10));
    bool any = false;
    for (QScatterSeries *s : series) {
        if (!s)
            continue;
        chart->addSeries(s);
        s->attachAxis(time);
        s->attachAxis(snr);
        any = true;
    }
    chart->legend()->setVisible(any);
    QFont legendFont = chart->legend()->font();
    legendFont.setPointSizeF(byStation ? 9 : 7.5); // eighteen callsigns fit the chart's height
    chart->legend()->setFont(legendFont);
    chart->legend()->setMarkerShape(QLegend::MarkerShapeFromSeries);
    chart->legend()->setAlignment(byStation ? Qt::AlignBottom : Qt::AlignRight); // up to 18 callsigns need a column
    if (!any)
        chart->setTitle(chart->title() + QStringLiteral(" - nothing heard yet"));
}

void frmMonitorResults::showClockOffset()
{
    QString text;
    const auto offset = monitor_.engine().clockOffset().offsetSeconds();
    if (!offset) {
        text = QStringLiteral("PC clock from the air: not known yet (measured while listening live).");
    } else {
        text = QStringLiteral("PC clock from the air: %1 s %2%3")
                   .arg(std::abs(*offset), 0, 'f', 2)
                   .arg(*offset >= 0 ? QStringLiteral("ahead") : QStringLiteral("behind"))
                   .arg(monitor_.engine().clockOffset().clockIsOff() ? QStringLiteral(" - set the clock")
                                                                    : QStringLiteral(", within tolerance"));
    }
    // The last recording's own clock, from its slots.
    if (const auto recording = monitor_.engine().recordingClockError())
        text += QStringLiteral("\nLast recording's start time: %1 s %2%3")
                    .arg(std::abs(*recording), 0, 'f', 2)
                    .arg(*recording >= 0 ? QStringLiteral("late") : QStringLiteral("early"))
                    .arg(std::abs(*recording) > ClockOffsetTracker::ToleranceSeconds
                             ? QStringLiteral(" - analyse it again with the start corrected")
                             : QStringLiteral(", within tolerance"));
    ClockOffsetLabel->setText(text);
}

// A cell or a station's name charts the station, a band's heading the band.
void frmMonitorResults::ResultsGrid_Click(int row, int) { chooseStation(row); }

void frmMonitorResults::ChartSubject_Click(int) { showChart(); }

void frmMonitorResults::ChartSpan_Click(int) { showChart(); }

void frmMonitorResults::chooseStation(BeaconIndex station)
{
    ChartSubject->setCurrentIndex(station);
    showChart();
}

void frmMonitorResults::chooseBand(BandIndex band)
{
    ChartSubject->setCurrentIndex(BeaconCount + band);
    showChart();
}

void frmMonitorResults::ExportCsv_Click()
{
    const QString suggested = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
                              QStringLiteral("/halvion-monitor.csv");
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Halvion - Export Monitor Log"), suggested,
                                                      QStringLiteral("CSV files (*.csv)"));
    if (path.isEmpty())
        return;
    if (!monitor_.log().exportCsv(path))
        monitor_.message(QStringLiteral("Halvion - Export Monitor Log Error"), monitor_.log().errorText(), true);
}

} // namespace halvion
