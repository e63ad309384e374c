// The map aids without windows: the sun's position, the greyline picture, locators,
// short and long paths on the ellipsoid and when a station is next on a band.

#include "beacon_place.h"
#include "great_circle.h"
#include "greyline.h"
#include "locator.h"
#include "map_projection.h"
#include "next_on_band.h"
#include "sun_position.h"
#include "utc_clock.h"

#include <GeographicLib/Geodesic.hpp>
#include <hamlib/rig.h>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

using namespace halvion;

Q_DECLARE_METATYPE(halvion::LocatorError)

namespace {

constexpr double Rad = std::numbers::pi / 180.0;

double angleDifference(double a, double b)
{
    double d = std::fmod(a - b, 360.0);
    if (d > 180)
        d -= 360;
    if (d < -180)
        d += 360;
    return std::fabs(d);
}

// The subsolar point by the NOAA solar calculator's formulas (the Global Monitoring
// Laboratory's spreadsheet), written out independently of the program's own way.
GeoPoint noaaSubsolar(UtcSeconds t)
{
    const double jd = 2440587.5 + static_cast<double>(t) / 86400.0;
    const double jc = (jd - 2451545.0) / 36525.0;
    const double l0 = std::fmod(280.46646 + jc * (36000.76983 + jc * 0.0003032), 360.0);
    const double m = 357.52911 + jc * (35999.05029 - 0.0001537 * jc);
    const double e = 0.016708634 - jc * (0.000042037 + 0.0000001267 * jc);
    const double c = std::sin(m * Rad) * (1.914602 - jc * (0.004817 + 0.000014 * jc))
        + std::sin(2 * m * Rad) * (0.019993 - 0.000101 * jc) + std::sin(3 * m * Rad) * 0.000289;
    const double omega = 125.04 - 1934.136 * jc;
    const double apparentLongitude = l0 + c - 0.00569 - 0.00478 * std::sin(omega * Rad);
    const double meanObliquity = 23 + (26 + (21.448 - jc * (46.815 + jc * (0.00059 - jc * 0.001813))) / 60) / 60;
    const double obliquity = meanObliquity + 0.00256 * std::cos(omega * Rad);
    const double declination = std::asin(std::sin(obliquity * Rad) * std::sin(apparentLongitude * Rad)) / Rad;
    const double y = std::pow(std::tan(obliquity / 2 * Rad), 2);
    const double equationOfTime = 4 / Rad
        * (y * std::sin(2 * l0 * Rad) - 2 * e * std::sin(m * Rad)
           + 4 * e * y * std::sin(m * Rad) * std::cos(2 * l0 * Rad) - 0.5 * y * y * std::sin(4 * l0 * Rad)
           - 1.25 * e * e * std::sin(2 * m * Rad));
    const double utcMinutes = static_cast<double>(((t % 86400) + 86400) % 86400) / 60.0;
    // Solar noon (true solar time 720 min) is where the sun stands overhead.
    double longitude = (720.0 - utcMinutes - equationOfTime) / 4.0;
    longitude = std::fmod(longitude + 540.0, 360.0) - 180.0;
    return {declination, longitude};
}

int overlayAlphaAt(const QImage &image, double latitude, double longitude)
{
    const int x = static_cast<int>(std::lround(WorldMap::x(WorldMap::shownLongitude(longitude))));
    const int y = static_cast<int>(std::lround(WorldMap::y(latitude)));
    return qAlpha(image.pixel(x, y));
}

// Where the long path ends, it is abreast of the beacon (within a metre along the line,
// at most 70 km to its side), and the two paths make one turn round the Earth: between a
// meridian's 40,007.863 km and the equator's 40,075.017 km.
bool longPathPassesAbreast(const GeoPoint &from, const GeoPoint &to, const PathInfo &path)
{
    const GeographicLib::Geodesic &earth = GeographicLib::Geodesic::WGS84();
    double lat = 0, lon = 0, heading = 0;
    earth.Direct(from.latitude, from.longitude, path.longBearing, path.longKm * 1000.0, lat, lon, heading);
    double toBeacon = 0, towardsBeacon = 0, atBeacon = 0;
    earth.Inverse(lat, lon, to.latitude, to.longitude, toBeacon, towardsBeacon, atBeacon);
    const double ahead = toBeacon * std::cos((towardsBeacon - heading) * Rad);
    const double aside = std::fabs(toBeacon * std::sin((towardsBeacon - heading) * Rad));
    const double turn = path.shortKm + path.longKm;
    const bool ok = std::fabs(ahead) < 1.0 && aside < 70e3 && turn > 40007.862 && turn < 40075.018;
    if (!ok)
        qWarning("long path %.3f km: %.3f m ahead, %.3f m aside, one turn %.3f km", path.longKm, ahead, aside, turn);
    return ok;
}

MapOverlaySpec plainMap(bool greyline)
{
    MapOverlaySpec params;
    params.size = QSize(WorldMap::Width, WorldMap::Height);
    params.greyline = greyline;
    return params;
}

} // namespace

class TestGeo : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void subsolarPoint_data();
    void subsolarPoint();
    void dayAndNightPixels_data();
    void dayAndNightPixels();
    void twilightRamp();
    void overlayDrawnOncePerMinute();
    void overlayDrawingCost();
    void homeMark();
    void locators_data();
    void locators();
    void locatorsAgreeWithHamlib();
    void positionTexts();
    void beaconPlaces_data();
    void beaconPlaces();
    void paths_data();
    void paths();
    void longPaths_data();
    void longPaths();
    void longPathsEverywhere();
    void pathTexts();
    void nextOnBand_data();
    void nextOnBand();
};

void TestGeo::subsolarPoint_data()
{
    QTest::addColumn<qint64>("utc");
    QTest::newRow("J2000.0") << qint64(utcFromCivil(2000, 1, 1, 12));
    QTest::newRow("June solstice noon") << qint64(utcFromCivil(2026, 6, 21, 12));
    QTest::newRow("December solstice evening") << qint64(utcFromCivil(2026, 12, 21, 18, 30));
    QTest::newRow("March equinox midnight") << qint64(utcFromCivil(2027, 3, 20, 0, 0));
    QTest::newRow("September morning") << qint64(utcFromCivil(2026, 9, 23, 6, 15));
    QTest::newRow("November 2035") << qint64(utcFromCivil(2035, 11, 3, 9, 41, 27));
    QTest::newRow("February, largest equation of time") << qint64(utcFromCivil(2026, 2, 11, 23, 59, 59));
}

void TestGeo::subsolarPoint()
{
    QFETCH(qint64, utc);
    const GeoPoint expected = noaaSubsolar(utc);
    const GeoPoint got = halvion::subsolarPoint(utc);
    QVERIFY2(std::fabs(got.latitude - expected.latitude) < 0.1,
             qPrintable(QStringLiteral("latitude %1, expected %2").arg(got.latitude).arg(expected.latitude)));
    QVERIFY2(angleDifference(got.longitude, expected.longitude) < 0.1,
             qPrintable(QStringLiteral("longitude %1, expected %2").arg(got.longitude).arg(expected.longitude)));
    QVERIFY(got.longitude >= -180.0 && got.longitude < 180.0);
}

void TestGeo::dayAndNightPixels_data()
{
    QTest::addColumn<qint64>("utc");
    QTest::addColumn<double>("latitude");
    QTest::addColumn<double>("longitude");
    QTest::addColumn<QString>("expected");

    // Sun over the Tropic of Cancer near Greenwich: the Arctic has the midnight sun.
    const qint64 june = utcFromCivil(2026, 6, 21, 12);
    QTest::newRow("June, Gulf of Guinea") << june << 0.0 << 0.0 << "day";
    QTest::newRow("June, Pacific at midnight") << june << 0.0 << 180.0 << "night";
    QTest::newRow("June, Arctic at midnight") << june << 80.0 << 180.0 << "day";
    QTest::newRow("June, far south at noon") << june << -58.0 << 0.0 << "day";
    QTest::newRow("June, Southern Ocean at midnight") << june << -55.0 << 170.0 << "night";
    QTest::newRow("June, equator after sunset") << june << 0.0 << 95.0 << "twilight";
    // Sun over the Tropic of Capricorn: polar night in the Arctic even at noon.
    const qint64 december = utcFromCivil(2026, 12, 21, 12);
    QTest::newRow("December, Arctic at noon") << december << 80.0 << 0.0 << "night";
    QTest::newRow("December, far south at noon") << december << -58.0 << 0.0 << "day";
    QTest::newRow("December, Siberia at midnight") << december << 60.0 << 180.0 << "night";
    QTest::newRow("December, Gulf of Guinea") << december << 0.0 << 0.0 << "day";
    // Equinox: the terminator runs along the meridians 90 degrees from the sun.
    const qint64 equinox = utcFromCivil(2027, 3, 20, 12);
    QTest::newRow("equinox, Indian Ocean") << equinox << 0.0 << 60.0 << "day";
    QTest::newRow("equinox, eastern Pacific") << equinox << 0.0 << -120.0 << "night";
    QTest::newRow("equinox, Arctic under the sun") << equinox << 80.0 << 0.0 << "day";
    QTest::newRow("equinox, Arctic opposite the sun") << equinox << 80.0 << 180.0 << "twilight";
}

void TestGeo::dayAndNightPixels()
{
    QFETCH(qint64, utc);
    QFETCH(double, latitude);
    QFETCH(double, longitude);
    QFETCH(QString, expected);

    MapOverlaySpec params = plainMap(true);
    params.subsolar = halvion::subsolarPoint(utc);
    const QImage image = mapOverlayImage(params);
    QCOMPARE(image.size(), QSize(WorldMap::Width, WorldMap::Height));
    const int alpha = overlayAlphaAt(image, latitude, longitude);
    const int nightAlpha = static_cast<int>(std::lround(NightOpacity * 255));
    if (expected == QLatin1String("day"))
        QCOMPARE(alpha, 0);
    else if (expected == QLatin1String("night"))
        QCOMPARE(alpha, nightAlpha);
    else
        QVERIFY2(alpha > 0 && alpha < nightAlpha, qPrintable(QString::number(alpha)));
}

void TestGeo::twilightRamp()
{
    QCOMPARE(nightShade(5.0), 0.0);
    QCOMPARE(nightShade(0.0), 0.0);
    QCOMPARE(nightShade(-12.0), 1.0);
    QCOMPARE(nightShade(-40.0), 1.0);
    QCOMPARE(nightShade(-6.0), 0.5);
    double previous = 0.0;
    for (double altitude = -0.25; altitude > -12.0; altitude -= 0.25) {
        const double shade = nightShade(altitude);
        QVERIFY(shade > previous && shade < 1.0);
        previous = shade;
    }
}

void TestGeo::overlayDrawnOncePerMinute()
{
    MapOverlayCache cache;
    const UtcSeconds start = utcFromCivil(2026, 6, 21, 12, 0, 5);
    MapOverlaySpec params = plainMap(true);

    QVERIFY(cache.update(start, params));
    for (int s = 1; s < 55; ++s)
        QVERIFY(!cache.update(start + s, params));
    QCOMPARE(cache.renders(), 1);
    QVERIFY(cache.update(start + 55, params)); // 12:01:00
    QCOMPARE(cache.renders(), 2);

    // Without the greyline the minute changes nothing.
    params.greyline = false;
    QVERIFY(cache.update(start + 56, params));
    QVERIFY(!cache.update(start + 200, params));
    QCOMPARE(qAlpha(cache.image().pixel(290, 240)), 0);

    // Another station or pixel ratio draws it again, once.
    params.home = GeoPoint{52.5, 13.0};
    QVERIFY(cache.update(start + 201, params));
    QVERIFY(!cache.update(start + 202, params));
    params.pixelRatio = 2.0;
    QVERIFY(cache.update(start + 203, params));
    QCOMPARE(cache.image().size(), QSize(2 * WorldMap::Width, 2 * WorldMap::Height));
    QCOMPARE(cache.renders(), 5);

    // A clock set back by an hour is a new minute too.
    params.greyline = true;
    QVERIFY(cache.update(start + 204, params));
    QVERIFY(cache.update(start - 3600, params));
}

// A figure, not a check: the cost of one minute's picture on a high-density screen
// (run "tst_geo overlayDrawingCost" to read it).
void TestGeo::overlayDrawingCost()
{
    MapOverlaySpec params = plainMap(true);
    params.size = QSize(584, 241);
    params.pixelRatio = 2.0;
    params.subsolar = halvion::subsolarPoint(utcFromCivil(2026, 12, 21, 12));
    params.home = GeoPoint{52.5, 13.0};
    QBENCHMARK {
        const QImage image = mapOverlayImage(params);
        QVERIFY(!image.isNull());
    }
}

void TestGeo::homeMark()
{
    MapOverlaySpec params = plainMap(false);
    const GeoPoint berlin{52.5, 13.0};
    QCOMPARE(qAlpha(mapOverlayImage(params).pixel(QPointF(WorldMap::x(13.0), WorldMap::y(52.5)).toPoint())), 0);
    params.home = berlin;
    const QImage image = mapOverlayImage(params);
    const QPoint at = overlayPoint(params, berlin).toPoint();
    QCOMPARE(at, QPointF(WorldMap::x(13.0), WorldMap::y(52.5)).toPoint());
    QCOMPARE(qAlpha(image.pixel(at)), 255);
    QCOMPARE(qAlpha(image.pixel(at + QPoint(30, 0))), 0);

    // A place just west of the date line is drawn at the map's eastern end, where it shows.
    params.mapOffset = QPointF(0, 2);
    const QPointF fiji = overlayPoint(params, GeoPoint{-18.0, -179.0});
    QVERIFY(fiji.x() > 560 && fiji.x() < WorldMap::Width);
    QCOMPARE(fiji.y(), WorldMap::y(-18.0) - 2);
}

void TestGeo::locators_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<LocatorError>("error");
    QTest::addColumn<QString>("written");
    QTest::addColumn<double>("latitude");
    QTest::addColumn<double>("longitude");

    // Centres worked out by hand: field 20 x 10 degrees, square 2 x 1, subsquare 5' x 2.5'.
    QTest::newRow("square") << "JO62" << LocatorError::None << "JO62" << 52.5 << 13.0;
    QTest::newRow("subsquare, small letters") << "jo62qm" << LocatorError::None << "JO62qm" << 52.5208333 << 13.375;
    QTest::newRow("capitals and blanks") << "  FN31PR " << LocatorError::None << "FN31pr" << 41.7291667 << -72.7083333;
    QTest::newRow("Greenwich and the equator") << "JJ00" << LocatorError::None << "JJ00" << 0.5 << 1.0;
    QTest::newRow("south-west corner") << "AA00aa" << LocatorError::None << "AA00aa" << -89.9791667 << -179.9583333;
    QTest::newRow("north-east corner") << "RR99xx" << LocatorError::None << "RR99xx" << 89.9791667 << 179.9583333;
    QTest::newRow("Pretoria") << "KG44" << LocatorError::None << "KG44" << -25.5 << 29.0;

    QTest::newRow("empty") << "" << LocatorError::Empty << "" << 0.0 << 0.0;
    QTest::newRow("blanks only") << "   \t" << LocatorError::Empty << "" << 0.0 << 0.0;
    QTest::newRow("field only") << "AA" << LocatorError::Length << "" << 0.0 << 0.0;
    QTest::newRow("three characters") << "FN3" << LocatorError::Length << "" << 0.0 << 0.0;
    QTest::newRow("five characters") << "JO62q" << LocatorError::Length << "" << 0.0 << 0.0;
    QTest::newRow("eight characters") << "JO62qm12" << LocatorError::Length << "" << 0.0 << 0.0;
    QTest::newRow("blank inside") << "JO 62" << LocatorError::Length << "" << 0.0 << 0.0;
    QTest::newRow("field beyond R") << "ZZ99zz" << LocatorError::Characters << "" << 0.0 << 0.0;
    QTest::newRow("field S") << "SA00" << LocatorError::Characters << "" << 0.0 << 0.0;
    QTest::newRow("letter for a digit") << "JO6Z" << LocatorError::Characters << "" << 0.0 << 0.0;
    QTest::newRow("subsquare beyond X") << "JO62yz" << LocatorError::Characters << "" << 0.0 << 0.0;
    QTest::newRow("digits for letters") << "1234" << LocatorError::Characters << "" << 0.0 << 0.0;
    QTest::newRow("accented letter") << "J\u00d662" << LocatorError::Characters << "" << 0.0 << 0.0;
}

void TestGeo::locators()
{
    QFETCH(QString, text);
    QFETCH(LocatorError, error);
    QFETCH(QString, written);
    QFETCH(double, latitude);
    QFETCH(double, longitude);

    const Locator locator = parseLocator(text.toStdString());
    QCOMPARE(locator.error, error);
    QCOMPARE(QString::fromStdString(locator.text), written);
    QCOMPARE(locator.valid(), error == LocatorError::None);
    if (locator.valid()) {
        QVERIFY(std::fabs(locator.centre.latitude - latitude) < 1e-6);
        QVERIFY(std::fabs(locator.centre.longitude - longitude) < 1e-6);
    } else {
        QVERIFY(!locatorErrorText(error).empty());
    }
}

// Every square, and every subsquare of squares at the map's corners and in between,
// has the centre Hamlib's own conversion gives.
void TestGeo::locatorsAgreeWithHamlib()
{
    rig_set_debug(RIG_DEBUG_NONE);
    const auto agrees = [](const std::string &text) {
        double longitude = 0, latitude = 0;
        if (locator2longlat(&longitude, &latitude, text.c_str()) != RIG_OK)
            return false;
        const Locator ours = parseLocator(text);
        return ours.valid() && std::fabs(ours.centre.latitude - latitude) < 1e-9 &&
               std::fabs(ours.centre.longitude - longitude) < 1e-9;
    };
    for (char f1 = 'A'; f1 <= 'R'; ++f1)
        for (char f2 = 'A'; f2 <= 'R'; ++f2)
            for (char s1 = '0'; s1 <= '9'; ++s1)
                for (char s2 = '0'; s2 <= '9'; ++s2) {
                    const std::string square{f1, f2, s1, s2};
                    QVERIFY2(agrees(square), square.c_str());
                }
    for (const std::string square : {"AA00", "RR99", "JO62", "FN31", "KG44", "JJ00", "AR09", "RA90"})
        for (char x = 'a'; x <= 'x'; ++x)
            for (char y = 'a'; y <= 'x'; ++y) {
                const std::string subsquare = square + x + y;
                QVERIFY2(agrees(subsquare), subsquare.c_str());
            }
}

void TestGeo::positionTexts()
{
    QCOMPARE(QString::fromStdString(positionText({52.5208333, 13.375})), QStringLiteral("Latitude 52deg. 31min. North, Longitude 13deg. 23min. East"));
    QCOMPARE(QString::fromStdString(positionText({-25.9, -121.9})), QStringLiteral("Latitude 25deg. 54min. South, Longitude 121deg. 54min. West"));
    QCOMPARE(QString::fromStdString(positionText({0.5, 1.0})), QStringLiteral("Latitude 00deg. 30min. North, Longitude 1deg. 00min. East"));
    // 59.9999 rounds up to the next whole degree, never "59deg. 60min.".
    QCOMPARE(QString::fromStdString(positionText({-59.99999, 0.0})), QStringLiteral("Latitude 60deg. 00min. South, Longitude 0deg. 00min. East"));
}

void TestGeo::beaconPlaces_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("degrees");
    QTest::newRow("south") << "Latitude 25deg. 54min. South" << true << -25.9;
    QTest::newRow("west, three digits") << "Longitude 121deg. 54min. West" << true << -121.9;
    QTest::newRow("leading zero") << "Latitude 06deg. 54min. North" << true << 6.9;
    QTest::newRow("east") << "Longitude 175deg. 36min. East" << true << 175.6;
    QTest::newRow("minutes out of range") << "Latitude 40deg. 75min. North" << false << 0.0;
    QTest::newRow("no hemisphere") << "Latitude 40deg. 45min." << false << 0.0;
    QTest::newRow("other words") << "Latitude forty" << false << 0.0;
}

void TestGeo::beaconPlaces()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(double, degrees);
    const auto parsed = parseDegreesText(text.toStdString());
    QCOMPARE(parsed.has_value(), ok);
    if (ok)
        QVERIFY(std::fabs(*parsed - degrees) < 1e-9);
}

void TestGeo::paths_data()
{
    QTest::addColumn<double>("lat1");
    QTest::addColumn<double>("lon1");
    QTest::addColumn<double>("lat2");
    QTest::addColumn<double>("lon2");
    QTest::addColumn<double>("azimuth"); // degrees, -180..180 as published
    QTest::addColumn<double>("metres");

    // Published geodesics on WGS84: the twenty random cases of GeographicLib's own test
    // suite (geodtest), the example of its GeodSolve documentation (JFK to CDG) and the
    // nearly antipodal inverse example of Karney, "Algorithms for geodesics" (2013).
    const double karney[20][6] = { // lat1, lon1, lat2, lon2, azi1, s12
        {35.60777, -139.44815, -11.17491, -69.95921, 111.098748429560326, 8935244.5604818305},
        {55.52454, 106.05087, 77.03196, 197.18234, 22.020059880982801, 4105086.1713924406},
        {-21.97856, 142.59065, 41.84138, 98.56635, -32.44456876433189, 8394328.894657671},
        {-66.99028, 112.2363, -12.70631, 285.90344, 173.73491240878403, 11150344.2312080241},
        {-17.42761, 173.34268, -15.84784, 5.93557, -159.033557661192928, 16076603.1631180673},
        {32.84994, 48.28919, -56.28556, 202.29132, 150.492927788121982, 16727068.9438164461},
        {6.96833, 52.74123, -7.39675, 206.17291, 92.581585386317712, 17102477.2496958388},
        {-50.56724, -16.30485, -33.56571, -94.97412, -105.439679907590164, 6455670.5118668696},
        {-58.93002, -8.90775, -8.91104, 133.13503, 140.965397902500679, 11756066.0219864627},
        {-68.82867, -74.28391, -50.63005, -8.36685, 93.774347763114881, 3956936.926063544},
        {-10.62672, -32.0898, 5.883, -134.31681, -86.426713286747751, 11470869.3864563009},
        {-21.76221, 166.90563, 48.72884, 213.97627, 29.319421206936428, 9098627.3986554915},
        {-19.79938, -174.47484, -11.99349, -154.35109, 71.167275780171533, 2319004.8601169389},
        {-11.95887, -116.94513, 4.57352, 7.16501, 92.712619830452549, 13834722.5801401374},
        {-87.85331, 85.66836, 66.48646, 16.09921, -65.120313040242748, 17286615.3147144645},
        {1.74708, 128.32011, -11.16617, 11.87109, -101.584843631173858, 12942901.1241347408},
        {-25.72959, -144.90758, -57.70581, -269.17879, -153.647468693117198, 9413446.7452453107},
        {-41.22777, 122.32875, -7.57291, 130.37946, 14.285113402275739, 3812686.035106021},
        {11.01307, 138.25278, 6.62726, 247.05981, 79.43682622782374, 11911190.819018408},
        {-29.47124, 95.14681, -27.46601, -69.15955, -163.779130441688382, 13487015.8381145492},
    };
    for (int i = 0; i < 20; ++i) {
        const auto &k = karney[i];
        QTest::addRow("geodtest case %d", i + 1) << k[0] << k[1] << k[2] << k[3] << k[4] << k[5];
    }
    QTest::newRow("JFK to CDG") << 40.6 << -73.8 << 49.01666667 << 2.55 << 53.47022 << 5853226.0;
    QTest::newRow("Karney's antipodal example") << -30.0 << 0.0 << 29.9 << 179.8 << 161.890524736 << 19989832.827610;

    // Beacon paths, from GeographicLib's GeodSolve -i (Debian geographiclib-tools).
    QTest::newRow("KK82mm to 5Z4B, north-south near the equator")
        << 12.5 + 1.25 / 60 << 37.0 + 2.5 / 60 << -(1.0 + 1.0 / 60) << 37.05 << 179.96417303040840
        << 1497118.912186032;
    QTest::newRow("JO62 to ZS6DN") << 52.5 << 13.0 << -25.9 << 28.266667 << 166.00957393927320 << 8811053.784755539;
    QTest::newRow("4U1UN to VK6RBP, nearly antipodal")
        << 40.75 << -73.966667 << -32.1 << 116.05 << -45.14631371673710 << 18701008.323380772;
    QTest::newRow("KH6WO to ZL6B, over the date line")
        << 21.633333 << -157.916667 << -41.05 << 175.6 << -158.51404233582585 << 7460157.973044205;
    QTest::newRow("VE8AT to 4S7B, over the pole")
        << 79.983333 << -85.95 << 6.9 << 79.866667 << 14.08409826284049 << 10323953.793979302;
}

void TestGeo::paths()
{
    QFETCH(double, lat1);
    QFETCH(double, lon1);
    QFETCH(double, lat2);
    QFETCH(double, lon2);
    QFETCH(double, azimuth);
    QFETCH(double, metres);

    const auto path = greatCirclePaths({lat1, lon1}, {lat2, lon2});
    QVERIFY(path);
    // The published figures have 9 to 11 significant digits; the shorter ones (JFK to CDG:
    // 5853226 m, 53.47022 degrees) are good to half their last place.
    QVERIFY2(std::fabs(path->shortKm * 1000.0 - metres) <= 0.5, qPrintable(QString::number(path->shortKm, 'f', 6)));
    QVERIFY2(angleDifference(path->shortBearing, azimuth) <= 0.5e-5,
             qPrintable(QString::number(path->shortBearing, 'f', 9)));
    // Bearings are kept exact, on the compass from 0 up to 360; only the text rounds them.
    QVERIFY(path->shortBearing >= 0.0 && path->shortBearing < 360.0);
    QVERIFY(path->longBearing >= 0.0 && path->longBearing < 360.0);
    QVERIFY(angleDifference(path->longBearing, path->shortBearing + 180.0) < 1e-9);
    QVERIFY(longPathPassesAbreast({lat1, lon1}, {lat2, lon2}, *path));
}

void TestGeo::longPaths_data()
{
    QTest::addColumn<double>("lat1");
    QTest::addColumn<double>("lon1");
    QTest::addColumn<double>("lat2");
    QTest::addColumn<double>("lon2");
    QTest::addColumn<double>("longKm"); // NaN where no closed form is known

    // WGS84: the equator is 2 pi a = 40,075.016686 km round, a meridian four quarter
    // meridians of 10,001.965729 km each. Along those the long path is the rest of the turn.
    const double equator = 40075.016685578;
    const double meridian = 4 * 10001.965729313;
    const double none = std::nan("");
    QTest::newRow("along the equator, east") << 0.0 << 0.0 << 0.0 << 10.0 << equator - 1113.194907933;
    QTest::newRow("along the equator, west") << 0.0 << 10.0 << 0.0 << 0.0 << equator - 1113.194907933;
    QTest::newRow("along a meridian") << 10.0 << 0.0 << 40.0 << 0.0 << meridian - 3323.674197116;
    QTest::newRow("over the north pole") << 60.0 << 0.0 << 60.0 << 180.0 << meridian - 6695.785819644;
    QTest::newRow("KK82mm to 5Z4B") << 12.5 + 1.25 / 60 << 37.0 + 2.5 / 60 << -(1.0 + 1.0 / 60) << 37.05 << none;
    QTest::newRow("JO62 to ZS6DN") << 52.5 << 13.0 << -25.9 << 28.266667 << none;
    QTest::newRow("4U1UN to VK6RBP, nearly antipodal") << 40.75 << -73.966667 << -32.1 << 116.05 << none;
    QTest::newRow("nearly antipodal on the equator") << 0.0 << 0.0 << 0.5 << 179.5 << none;
    QTest::newRow("diagonal at the equator, widest miss") << 0.0 << 0.0 << 1.0 << 1.0 << none;
    QTest::newRow("stations 1.3 km apart") << 52.5 << 13.0 << 52.51 << 13.01 << none;
}

// The long path follows the short path's geodesic from the user's station the other way
// round the Earth to the point where it passes abreast of the beacon: there the line to the
// beacon meets it at right angles, no more than some 70 km off. Short and long path then
// make one turn round the Earth, between a meridian's length and the equator's.
void TestGeo::longPaths()
{
    QFETCH(double, lat1);
    QFETCH(double, lon1);
    QFETCH(double, lat2);
    QFETCH(double, lon2);
    QFETCH(double, longKm);

    const auto path = greatCirclePaths({lat1, lon1}, {lat2, lon2});
    QVERIFY(path);
    if (!std::isnan(longKm))
        QVERIFY2(std::fabs(path->longKm - longKm) < 1e-3, qPrintable(QString::number(path->longKm, 'f', 6)));
    QVERIFY(longPathPassesAbreast({lat1, lon1}, {lat2, lon2}, *path));
}

// The same over a spread of places: anywhere, nearly opposite and close together.
void TestGeo::longPathsEverywhere()
{
    std::mt19937 random(20);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    const auto latitude = [&] { return std::asin(unit(random)) / Rad; };
    for (int i = 0; i < 600; ++i) {
        const GeoPoint from{latitude(), 180.0 * unit(random)};
        GeoPoint to{latitude(), 180.0 * unit(random)};
        if (i % 3 == 1)
            to = {-from.latitude + 0.5 * unit(random), from.longitude + 180.0 + 0.5 * unit(random)};
        if (i % 3 == 2)
            to = {std::clamp(from.latitude + 0.05 * unit(random), -90.0, 90.0), from.longitude + 0.05 * unit(random)};
        const auto path = greatCirclePaths(from, to);
        QVERIFY(path);
        QVERIFY2(longPathPassesAbreast(from, to, *path),
                 qPrintable(QStringLiteral("%1 %2 to %3 %4").arg(from.latitude).arg(from.longitude).arg(to.latitude).arg(to.longitude)));
    }
}

void TestGeo::pathTexts()
{
    const auto toZs6dn = greatCirclePaths(parseLocator("JO62").centre, beaconPlace(10));
    QVERIFY(toZs6dn);
    QCOMPARE(QString::fromStdString(pathLineText(*toZs6dn)),
             QStringLiteral("Short path 8,810 km at 166\u00b0  \u00b7  Long path 31,200 km at 346\u00b0"));
    // A sphere makes this 1,510 km; the ellipsoid 1,497 km.
    const auto to5z4b = greatCirclePaths(parseLocator("KK82mm").centre, beaconPlace(11));
    QVERIFY(to5z4b);
    QCOMPARE(QString::fromStdString(pathLineText(*to5z4b)),
             QStringLiteral("Short path 1,500 km at 180\u00b0  \u00b7  Long path 38,510 km at 0\u00b0"));
    QVERIFY(std::fabs(to5z4b->shortKm - 1497.118912) < 1e-3);
    const auto near = greatCirclePaths({52.5, 13.0}, {52.51, 13.01});
    QVERIFY(near);
    QCOMPARE(QString::fromStdString(pathLineText(*near)), QStringLiteral("Less than 10 km from your station"));
    // A bearing of 359.6 degrees is written 0, never 360.
    QCOMPARE(QString::fromStdString(pathLineText({100.0, 359.6, 39932.0, 179.6})),
             QStringLiteral("Short path 100 km at 0\u00b0  \u00b7  Long path 39,930 km at 180\u00b0"));
    // Places off the globe have no path.
    QVERIFY(!greatCirclePaths({91.0, 0.0}, {0.0, 0.0}));
    QVERIFY(!greatCirclePaths({0.0, 0.0}, {std::nan(""), 0.0}));
    QVERIFY(!greatCirclePaths({0.0, std::nan("")}, {0.0, 0.0}));
    QCOMPARE(QString::fromStdString(groupedThousands(0)), QStringLiteral("0"));
    QCOMPARE(QString::fromStdString(groupedThousands(999)), QStringLiteral("999"));
    QCOMPARE(QString::fromStdString(groupedThousands(1000)), QStringLiteral("1,000"));
    QCOMPARE(QString::fromStdString(groupedThousands(1234567)), QStringLiteral("1,234,567"));
}

void TestGeo::nextOnBand_data()
{
    QTest::addColumn<int>("hour");
    QTest::addColumn<int>("minute");
    QTest::addColumn<int>("second");
    QTest::addColumn<int>("band");
    QTest::addColumn<int>("station");
    QTest::addColumn<bool>("onAir");
    QTest::addColumn<int>("secondsAhead");
    QTest::addColumn<QTime>("start");

    // 15 m: ZS6DN's slot is 12, minute 2 of the cycle, seconds 0-9.
    QTest::newRow("ZS6DN on 15 m, later this cycle") << 14 << 3 << 5 << 2 << 10 << false << 115 << QTime(14, 5, 0);
    QTest::newRow("ZS6DN on 15 m, on the air") << 14 << 5 << 3 << 2 << 10 << true << 177 << QTime(14, 8, 0);
    QTest::newRow("ZS6DN on 15 m, just missed") << 14 << 5 << 10 << 2 << 10 << false << 170 << QTime(14, 8, 0);
    QTest::newRow("4U1UN on 20 m, over midnight") << 23 << 59 << 55 << 0 << 0 << false << 5 << QTime(0, 0, 0);
    QTest::newRow("CS3B on 10 m, first second") << 12 << 0 << 0 << 4 << 14 << true << 180 << QTime(12, 3, 0);
    QTest::newRow("YV5B on 17 m") << 7 << 31 << 45 << 1 << 17 << false << 75 << QTime(7, 33, 0);
    QTest::newRow("OH2B on 10 m, last second of its slot") << 12 << 2 << 59 << 4 << 13 << true << 171
                                                            << QTime(12, 5, 50);
    QTest::newRow("VE8AT on 20 m, over the hour") << 9 << 59 << 30 << 0 << 1 << false << 40 << QTime(10, 0, 10);
}

void TestGeo::nextOnBand()
{
    QFETCH(int, hour);
    QFETCH(int, minute);
    QFETCH(int, second);
    QFETCH(int, band);
    QFETCH(int, station);
    QFETCH(bool, onAir);
    QFETCH(int, secondsAhead);
    QFETCH(QTime, start);

    const NextOnBand next = halvion::nextOnBand({hour, minute, second, 0}, band, station);
    QCOMPARE(next.onAirNow, onAir);
    QCOMPARE(next.secondsAhead, secondsAhead);
    QCOMPARE(QTime(next.start.hour, next.start.minute, next.start.second), start);
}

QTEST_GUILESS_MAIN(TestGeo)
#include "tst_geo.moc"
