#include "skimmer_results.h"

#include "frm_monitor_results.h"
#include "monitor_controller.h"
#include "pc_time_text.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QScatterSeries>
#include <QTabWidget>
#include <QTableWidget>
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

constexpr qint64 MinuteMs = 60 * 1000;
constexpr qint64 DayMs = 24 * 60 * MinuteMs;
constexpr int SpanMinutes[] = {15, 60, 6 * 60, 24 * 60};

// The bands and stations look as on the monitor's own chart beside this one.
const std::array<QColor, BandCount> BandColours{QColor(0x1f, 0x77, 0xb4), QColor(0x2c, 0xa0, 0x2c), QColor(0xff, 0x7f, 0x0e),
                                                QColor(0x94, 0x67, 0xbd), QColor(0xd6, 0x27, 0x28)};
const std::array<QColor, 6> StationColours{QColor(0x00, 0x72, 0xb2), QColor(0xe6, 0x9f, 0x00), QColor(0x00, 0x9e, 0x73),
                                           QColor(0xcc, 0x33, 0x11), QColor(0x8e, 0x44, 0xad), QColor(0x33, 0x33, 0x33)};
constexpr QScatterSeries::MarkerShape Shapes[] = {
    QScatterSeries::MarkerShapeCircle, QScatterSeries::MarkerShapeRectangle, QScatterSeries::MarkerShapeTriangle,
    QScatterSeries::MarkerShapeRotatedRectangle, QScatterSeries::MarkerShapeStar};

// The time axis labels its points in local time; with times in UTC each point goes
// where the local clock would show that UTC time of day, so the axis reads UTC.
QDateTime axisTime(qint64 utcMs)
{
    const QDateTime utc = QDateTime::fromMSecsSinceEpoch(utcMs, Qt::UTC);
    if (!timesInUtc())
        return utc.toLocalTime();
    return QDateTime(utc.date(), utc.time(), Qt::LocalTime);
}

QString spanText(int minutes)
{
    if (minutes < 60)
        return QStringLiteral("the last %1 min").arg(minutes);
    if (minutes == 60)
        return QStringLiteral("the last hour");
    return QStringLiteral("the last %1 hours").arg(minutes / 60);
}

// More skimmers, a deeper green: one is a hint, ten or more a wide-open band.
QColor cellColour(int skimmers, const QColor &background)
{
    if (skimmers <= 0)
        return background;
    const double share = std::min(1.0, 0.25 + 0.75 * std::log10(double(skimmers)) / std::log10(10.0));
    const QColor full(0x1e, 0x8c, 0x3c);
    const auto mix = [share](int a, int b) { return int(std::lround(a + (b - a) * share)); };
    return QColor(mix(background.red(), full.red()), mix(background.green(), full.green()),
                  mix(background.blue(), full.blue()));
}

} // namespace

QString skimmerCellText(const SpotSummary &cell)
{
    return cell.spotted() ? QStringLiteral("%1 / %2 dB").arg(cell.skimmers).arg(cell.bestSnrDb) : QString();
}

SkimmerResults::SkimmerResults(MonitorController &monitor, QWidget *parent) : QWidget(parent), monitor_(monitor)
{
    setObjectName(QStringLiteral("SkimmerResults"));

    SkimmerStatus = new QLabel(this);
    SkimmerStatus->setObjectName(QStringLiteral("SkimmerStatus"));
    SkimmerStatus->setWordWrap(true);
    SkimmerStatus->setTextFormat(Qt::PlainText);

    SkimmerGrid = new QTableWidget(BeaconCount, BandCount, this);
    SkimmerGrid->setObjectName(QStringLiteral("SkimmerGrid"));
    SkimmerGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    SkimmerGrid->setSelectionMode(QAbstractItemView::NoSelection);
    SkimmerGrid->setFocusPolicy(Qt::NoFocus);
    QStringList rows, columns;
    for (BeaconIndex s = 0; s < BeaconCount; ++s)
        rows << callsign(s);
    for (BandIndex b = 0; b < BandCount; ++b)
        columns << bandName(b);
    SkimmerGrid->setVerticalHeaderLabels(rows);
    SkimmerGrid->setHorizontalHeaderLabels(columns);
    SkimmerGrid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    SkimmerGrid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    SkimmerGrid->horizontalHeader()->setDefaultSectionSize(72);
    SkimmerGrid->verticalHeader()->setDefaultSectionSize(22);
    for (BeaconIndex s = 0; s < BeaconCount; ++s)
        for (BandIndex b = 0; b < BandCount; ++b) {
            auto *item = new QTableWidgetItem;
            item->setTextAlignment(Qt::AlignCenter);
            SkimmerGrid->setItem(s, b, item);
        }
    SkimmerGrid->setFixedWidth(SkimmerGrid->verticalHeader()->sizeHint().width() + 5 * 72 + 4);
    SkimmerGrid->setFixedHeight(SkimmerGrid->horizontalHeader()->sizeHint().height() + 18 * 22 + 4);

    SkimmerSpan = new QComboBox(this);
    SkimmerSpan->setObjectName(QStringLiteral("SkimmerSpan"));
    SkimmerSpan->addItems({QStringLiteral("Last 15 minutes"), QStringLiteral("Last hour"), QStringLiteral("Last 6 hours"),
                           QStringLiteral("Last 24 hours")});
    auto *key = new QLabel(QStringLiteral("Each cell: the skimmers that heard the station on the band, and the best "
                                          "SNR they reported. Click a station or a band for its chart."),
                           this);
    key->setWordWrap(true);

    SkimmerSubject = new QComboBox(this);
    SkimmerSubject->setObjectName(QStringLiteral("SkimmerSubject"));
    for (BeaconIndex s = 0; s < BeaconCount; ++s)
        SkimmerSubject->addItem(QStringLiteral("Station %1 on every band").arg(callsign(s)));
    for (BandIndex b = 0; b < BandCount; ++b)
        SkimmerSubject->addItem(QStringLiteral("Every station on %1").arg(bandName(b)));

    auto *chart = new QChart;
    chart->setMargins(QMargins(4, 4, 4, 4));
    SkimmerChart = new QChartView(chart, this);
    SkimmerChart->setObjectName(QStringLiteral("SkimmerChart"));
    SkimmerChart->setRenderHint(QPainter::Antialiasing);
    SkimmerChart->setMinimumSize(520, 380);

    SkimmerRefreshTimer = new QTimer(this);
    SkimmerRefreshTimer->setObjectName(QStringLiteral("SkimmerRefreshTimer"));
    SkimmerRefreshTimer->setSingleShot(true);
    SkimmerRefreshTimer->setInterval(1000);

    auto *spanRow = new QHBoxLayout;
    spanRow->addWidget(new QLabel(QStringLiteral("Heard in:"), this));
    spanRow->addWidget(SkimmerSpan, 1);
    auto *left = new QVBoxLayout;
    left->addLayout(spanRow);
    left->addWidget(SkimmerGrid);
    left->addWidget(key);
    left->addStretch();
    key->setMaximumWidth(SkimmerGrid->width());
    auto *right = new QVBoxLayout;
    right->addWidget(SkimmerSubject);
    right->addWidget(SkimmerChart, 1);
    right->addWidget(SkimmerStatus);
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addLayout(right, 1);

    connect(SkimmerRefreshTimer, &QTimer::timeout, this, &SkimmerResults::refresh);
    connect(&monitor_, &MonitorController::spotsChanged, this, [this] {
        if (isVisible() && !SkimmerRefreshTimer->isActive())
            SkimmerRefreshTimer->start();
    });
    connect(SkimmerGrid, &QTableWidget::cellClicked, this, &SkimmerResults::SkimmerGrid_Click);
    connect(SkimmerGrid->verticalHeader(), &QHeaderView::sectionClicked, this, &SkimmerResults::chooseStation);
    connect(SkimmerGrid->horizontalHeader(), &QHeaderView::sectionClicked, this, &SkimmerResults::chooseBand);
    connect(SkimmerSpan, &QComboBox::activated, this, &SkimmerResults::SkimmerSpan_Click);
    connect(SkimmerSubject, &QComboBox::activated, this, &SkimmerResults::SkimmerSubject_Click);
}

int SkimmerResults::spanMinutes() const { return SpanMinutes[std::clamp(SkimmerSpan->currentIndex(), 0, 3)]; }

void SkimmerResults::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    refresh();
}

void SkimmerResults::refresh()
{
    const QString status = monitor_.spotStatus();
    SkimmerStatus->setText(monitor_.spots() && !status.isEmpty()
                               ? QStringLiteral("Reverse Beacon Network: %1").arg(status)
                               : QStringLiteral("The Reverse Beacon Network is off: File, Reverse Beacon Network... "
                                                "turns it on."));
    showGrid();
    showChart();
}

void SkimmerResults::showGrid()
{
    const QColor background = palette().color(QPalette::Base);
    const qint64 now = monitor_.nowUtcMs();
    const int minutes = spanMinutes();
    const SpotView *spots = monitor_.spots();
    const SpotGrid grid = spots ? spots->grid(now - minutes * MinuteMs) : SpotGrid{};
    for (BeaconIndex s = 0; s < BeaconCount; ++s)
        for (BandIndex b = 0; b < BandCount; ++b) {
            const SpotSummary &cell = grid[std::size_t(s)][std::size_t(b)];
            QTableWidgetItem *item = SkimmerGrid->item(s, b);
            item->setText(skimmerCellText(cell));
            item->setBackground(cellColour(cell.skimmers, background));
            item->setForeground(cell.skimmers >= 5 ? QColor(Qt::white) : QColor(Qt::black));
            QString tip = QStringLiteral("%1 on %2: ").arg(callsign(s), bandName(b));
            if (!cell.spotted()) {
                tip += QStringLiteral("no skimmer heard it in %1").arg(spanText(minutes));
            } else {
                tip += QStringLiteral("%1 %2, %3 %4 in %5\nBest %6 dB by %7 (%8)\nLast heard %9")
                           .arg(cell.skimmers)
                           .arg(cell.skimmers == 1 ? QStringLiteral("skimmer") : QStringLiteral("skimmers"))
                           .arg(cell.spots)
                           .arg(cell.spots == 1 ? QStringLiteral("spot") : QStringLiteral("spots"))
                           .arg(spanText(minutes))
                           .arg(cell.bestSnrDb)
                           .arg(cell.bestSkimmer, instantTimeText(cell.bestSpotUtcMs), instantTimeText(cell.lastHeardUtcMs));
            }
            item->setToolTip(tip);
        }
}

void SkimmerResults::showChart()
{
    QChart *chart = SkimmerChart->chart();
    chart->removeAllSeries();
    for (QAbstractAxis *axis : chart->axes())
        chart->removeAxis(axis);

    const int subject = SkimmerSubject->currentIndex();
    const bool byStation = subject < BeaconCount;
    const qint64 now = monitor_.nowUtcMs();
    const qint64 from = now - DayMs;
    chart->setTitle(QStringLiteral("%1: the skimmers' SNR over the last 24 hours")
                        .arg(byStation ? callsign(subject) : bandName(subject - BeaconCount)));

    auto *time = new QDateTimeAxis;
    time->setFormat(QStringLiteral("HH:mm"));
    time->setTitleText(timesInUtc() ? QStringLiteral("UTC") : QStringLiteral("Local time"));
    time->setTickCount(7);
    auto *snr = new QValueAxis;
    snr->setTitleText(QStringLiteral("SNR reported by the skimmers, dB"));
    snr->setTickCount(6);
    snr->setLabelFormat(QStringLiteral("%d"));
    chart->addAxis(time, Qt::AlignBottom);
    chart->addAxis(snr, Qt::AlignLeft);

    const SpotView *spots = monitor_.spots();
    const std::vector<StoredSpot> rows =
        spots ? spots->history(from, byStation ? subject : -1, byStation ? -1 : subject - BeaconCount)
              : std::vector<StoredSpot>{};
    // The day's spots, on an axis that starts a minute before the oldest of them (15
    // minutes at least), so a feed turned on a little while ago is not a sliver at the
    // right edge of a day.
    qint64 start = from;
    if (!rows.empty()) {
        qint64 oldest = now;
        for (const StoredSpot &spot : rows)
            oldest = std::min(oldest, spot.spotUtcMs);
        start = std::clamp(oldest / MinuteMs * MinuteMs - MinuteMs, from, now - 15 * MinuteMs);
    }
    time->setRange(axisTime(start), axisTime(now));
    // One series per band for a station, one per station heard for a band.
    std::vector<QScatterSeries *> series(std::size_t(byStation ? BandCount : BeaconCount), nullptr);
    int highest = 10;
    for (const StoredSpot &spot : rows) {
        const int k = byStation ? spot.band : spot.station;
        if (k < 0 || std::size_t(k) >= series.size())
            continue;
        auto &s = series[std::size_t(k)];
        if (!s) {
            s = new QScatterSeries;
            s->setName(byStation ? bandName(k) : callsign(k));
            s->setColor(byStation ? BandColours[std::size_t(k)] : StationColours[std::size_t(k % 6)]);
            s->setMarkerShape(byStation ? Shapes[k % 5] : Shapes[k / 6]);
            s->setMarkerSize(byStation ? 7 : 8);
            s->setBorderColor(Qt::transparent);
        }
        s->append(double(axisTime(spot.spotUtcMs).toMSecsSinceEpoch()), spot.snrDb);
        highest = std::max(highest, spot.snrDb);
    }
    snr->setRange(0, 10 * (highest / 10 + 1)); // room above the best, whose marker would be cut in half
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
    legendFont.setPointSizeF(byStation ? 9 : 7.5);
    chart->legend()->setFont(legendFont);
    chart->legend()->setMarkerShape(QLegend::MarkerShapeFromSeries);
    chart->legend()->setAlignment(byStation ? Qt::AlignBottom : Qt::AlignRight);
    if (!any)
        chart->setTitle(chart->title() + QStringLiteral(" - no spots"));
}

void SkimmerResults::SkimmerGrid_Click(int row, int) { chooseStation(row); }

void SkimmerResults::SkimmerSpan_Click(int) { showGrid(); }

void SkimmerResults::SkimmerSubject_Click(int) { showChart(); }

void SkimmerResults::chooseStation(BeaconIndex station)
{
    SkimmerSubject->setCurrentIndex(station);
    showChart();
}

void SkimmerResults::chooseBand(BandIndex band)
{
    SkimmerSubject->setCurrentIndex(BeaconCount + band);
    showChart();
}

QWidget *frmMonitorResults::buildPages()
{
    ResultsTabs = new QTabWidget(this);
    ResultsTabs->setObjectName(QStringLiteral("ResultsTabs"));
    auto *own = new QWidget;
    own->setObjectName(QStringLiteral("MonitorPage"));
    ResultsTabs->addTab(own, QStringLiteral("Heard by your monitor"));
    Skimmers = new SkimmerResults(monitor_);
    ResultsTabs->addTab(Skimmers, QStringLiteral("Heard by skimmers"));
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(4, 4, 4, 4);
    outer->addWidget(ResultsTabs);
    return own;
}

} // namespace halvion
