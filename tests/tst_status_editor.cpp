// The status editor window: what it shows for a stored status, what Ok, Cancel and
// the close box do to the store and the settings file, and the suggestions from the
// skimmers' spots, which change nothing until Ok.

#include "beacon_catalogue.h"
#include "frm_sel_status.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <memory>

using namespace halvion;

namespace {

using Statuses = QList<int>; // BeaconStatus per station

// The status keys as a first run leaves them: every station OK.
QByteArray defaultsText()
{
    QByteArray text = "[Halvion]\n";
    for (int n = 0; n < BeaconCount; ++n)
        text += "OK " + QByteArray::number(n) + "=True\nOFF " + QByteArray::number(n) + "=False\nON "
              + QByteArray::number(n) + "=False\n";
    return text;
}

QByteArray withoutStation(QByteArray text, int n)
{
    for (const char *word : {"OK ", "OFF ", "ON "}) {
        const QByteArray line = word + QByteArray::number(n) + '=';
        const qsizetype at = text.indexOf('\n' + line);
        if (at >= 0)
            text.remove(at + 1, text.indexOf('\n', at + 1) - at);
    }
    return text;
}

Statuses allOf(BeaconStatus s) { return Statuses(BeaconCount, static_cast<int>(s)); }

Statuses with(Statuses base, std::initializer_list<std::pair<int, BeaconStatus>> changes)
{
    for (const auto &[i, s] : changes)
        base[i] = static_cast<int>(s);
    return base;
}

void addStoredKeySets()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<Statuses>("expected");

    const QByteArray defaults = defaultsText();
    QTest::newRow("new file with defaults") << defaults << allOf(BeaconStatus::OK);
    QTest::newRow("KH6WO OK and ON") << QByteArray(defaults).replace("ON 3=False", "ON 3=True")
                                     << with(allOf(BeaconStatus::OK), {{3, BeaconStatus::ON}});
    QTest::newRow("ZL6B without keys") << withoutStation(defaults, 4) << with(allOf(BeaconStatus::OK), {{4, BeaconStatus::None}});
    QTest::newRow("mixed") << QByteArray(withoutStation(defaults, 12))
                                  .replace("OK 0=True", "OK 0=False")
                                  .replace("OFF 0=False", "OFF 0=True")
                                  .replace("ON 17=False", "ON 17=True")
                                  .replace("OFF 9=False", "OFF 9=True")
                                  .replace("OK 5=True", "OK 5=true")
                           << with(allOf(BeaconStatus::OK), {{0, BeaconStatus::OFF},
                                                             {17, BeaconStatus::ON},
                                                             {9, BeaconStatus::OFF},
                                                             {5, BeaconStatus::None},
                                                             {12, BeaconStatus::None}});
    QTest::newRow("no status keys at all") << QByteArray("[Halvion]\nLegend=True\n") << allOf(BeaconStatus::None);
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestStatusEditor : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void windowLayout();
    void showsStoredStatus_data() { addStoredKeySets(); }
    void showsStoredStatus();
    void okSavesChoices_data() { addStoredKeySets(); }
    void okSavesChoices();
    void clickChoosesStatus();
    void cancelDiscardsEdits_data();
    void cancelDiscardsEdits();
    void closeBoxDiscardsEditsAndDestroys();
    void hiddenEditorClosesQuietly();
    void failedSaveShowsWhatTheFileHolds();
    void suggestionsFromSpots();

private:
    void open(const QByteArray &fileText);
    template<typename T> T *control(const char *name, int i = -1) const;
    void verifyStation(int i, BeaconStatus expected) const;

    std::unique_ptr<QTemporaryDir> dir_;
    QString path_;
    std::unique_ptr<SettingsFile> settings_;
    std::unique_ptr<StatusStore> store_;
    QPointer<frmSelStatus> editor_;
};

void TestStatusEditor::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    path_ = dir_->filePath(QStringLiteral("Halvion.ini"));
}

void TestStatusEditor::cleanup()
{
    delete editor_;
    store_.reset();
    settings_.reset();
    dir_.reset();
}

void TestStatusEditor::open(const QByteArray &fileText)
{
    if (!fileText.isNull()) {
        QFile file(path_);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(fileText);
    }
    settings_ = std::make_unique<SettingsFile>(path_.toStdString());
    store_ = std::make_unique<StatusStore>(*settings_);
    editor_ = new frmSelStatus(*store_);
}

template<typename T> T *TestStatusEditor::control(const char *name, int i) const
{
    const QString objectName = i < 0 ? QLatin1String(name) : QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(i);
    auto *found = editor_->findChild<T *>(objectName);
    if (!found)
        qWarning("missing control %s", qPrintable(objectName));
    return found;
}

// The option buttons, their captions and the LED covers of one station.
void TestStatusEditor::verifyStation(int i, BeaconStatus expected) const
{
    const QColor black(0, 0, 0);
    const QColor grey(192, 192, 192);
    const BeaconStatus options[] = {BeaconStatus::OK, BeaconStatus::OFF, BeaconStatus::ON};
    const char *names[] = {"Option1", "Option2", "Option3"};
    const char *covers[] = {"OnLEDdim", "OffAirDim", "onLEDblueDim"};
    const QString where = QStringLiteral("station %1").arg(i);
    for (int k = 0; k < 3; ++k) {
        auto *option = control<QRadioButton>(names[k], i);
        QVERIFY(option);
        const bool chosen = options[k] == expected;
        QVERIFY2(option->isChecked() == chosen, qPrintable(where + QLatin1Char(' ') + option->objectName()));
        QVERIFY2(option->palette().color(QPalette::WindowText) == (chosen ? black : grey),
                 qPrintable(where + QLatin1Char(' ') + option->palette().color(QPalette::WindowText).name()));
        auto *cover = control<QLabel>(covers[k], i);
        QVERIFY(cover);
        // Only the chosen status's LED looks lit; a station without a status shows all dark.
        QVERIFY2(cover->isHidden() == chosen, qPrintable(where + QLatin1Char(' ') + cover->objectName()));
    }
}

void TestStatusEditor::windowLayout()
{
    open(defaultsText());
    QCOMPARE(editor_->windowTitle(), QStringLiteral("Select Beacon Status For Each Station"));
    QVERIFY(editor_->isWindow());
    QVERIFY(!editor_->isVisible());
    QCOMPARE(editor_->size(), QSize(465, 456)); // 6975 x 6840 twips

    auto *frame1 = control<QFrame>("Frame1");
    QVERIFY(frame1);
    const QRect client = editor_->rect();
    QVERIFY(client.contains(frame1->geometry()));

    for (int i = 0; i < BeaconCount; ++i) {
        auto *frame = control<QGroupBox>("Frame3", i);
        QVERIFY(frame);
        QCOMPARE(frame->parentWidget(), frame1);
        QVERIFY(frame->title().startsWith(QString::fromLatin1(BeaconCatalogue::beacon(i).callsign) + QStringLiteral(" - ")));
        QCOMPARE(frame->size(), QSize(225, 41)); // 3375 x 615 twips
        QVERIFY(frame1->rect().contains(frame->geometry()));
        const int row = i % 9;
        auto *top = control<QGroupBox>("Frame3", i - row);
        QCOMPARE(frame->x(), top->x());
        QCOMPARE(frame->y() - top->y(), row * 40); // rows 600 twips apart
        if (i >= 9)
            QVERIFY(frame->x() >= control<QGroupBox>("Frame3", i - 9)->geometry().right());

        const char *images[] = {"Image1", "Image2", "Image3"};
        const char *covers[] = {"OnLEDdim", "OffAirDim", "onLEDblueDim"};
        const char *options[] = {"Option1", "Option2", "Option3"};
        const char *captions[] = {"OK", "OFF", "ON"};
        const int ledX[] = {8, 80, 152};     // 120, 1200, 2280 twips
        const int optionX[] = {24, 96, 168}; // 360, 1440, 2520 twips
        for (int k = 0; k < 3; ++k) {
            auto *image = control<QLabel>(images[k], i);
            auto *cover = control<QLabel>(covers[k], i);
            auto *option = control<QRadioButton>(options[k], i);
            QVERIFY(image && cover && option);
            QCOMPARE(image->parentWidget(), frame);
            QCOMPARE(cover->parentWidget(), frame);
            QCOMPARE(image->x(), ledX[k]);
            QCOMPARE(option->x(), optionX[k]);
            QCOMPARE(option->text(), QLatin1String(captions[k]));
            // The cover lies exactly on its LED and in front of it.
            QCOMPARE(cover->geometry(), image->geometry());
            QVERIFY(frame->children().indexOf(cover) > frame->children().indexOf(image));
            QVERIFY(!image->pixmap().isNull() && !cover->pixmap().isNull());
            QVERIFY(image->pixmap().toImage() != cover->pixmap().toImage());
            // Nothing spills out of the frame, the caption is not cut, and the LED
            // sits level with its button.
            QVERIFY(frame->rect().contains(image->geometry()));
            QVERIFY(frame->rect().contains(option->geometry()));
            QVERIFY2(option->sizeHint().width() <= option->width(), qPrintable(option->objectName()));
            QVERIFY(qAbs(image->geometry().center().y() - option->geometry().center().y()) <= 1);
            if (k < 2)
                QVERIFY(option->geometry().right() < control<QLabel>(images[k + 1], i)->x());
        }
    }

    auto *legend = control<QGroupBox>("Frame2");
    QVERIFY(legend);
    QCOMPARE(legend->title(), QStringLiteral("Beacon Station Operational Status Legend"));
    QVERIFY(client.contains(legend->geometry()));
    QVERIFY(legend->y() > frame1->geometry().bottom());
    QStringList legendTexts;
    for (QLabel *label : legend->findChildren<QLabel *>())
        if (!label->text().isEmpty())
            legendTexts << label->text();
    QCOMPARE(legendTexts, (QStringList{QStringLiteral("- Fully Operational"), QStringLiteral("- Off The Air"),
                                       QStringLiteral("- Operational With Problems")}));

    auto *ok = control<QPushButton>("Command1");
    auto *cancel = control<QPushButton>("Command2");
    QVERIFY(ok && cancel);
    QCOMPARE(ok->text(), QStringLiteral("&Ok"));
    QCOMPARE(cancel->text(), QStringLiteral("&Cancel"));
    for (QWidget *w : {static_cast<QWidget *>(ok), static_cast<QWidget *>(cancel)}) {
        QVERIFY(client.contains(w->geometry()));
        QVERIFY(w->y() > frame1->geometry().bottom());
        QVERIFY(!w->geometry().intersects(legend->geometry()));
    }

    // Laid out, the legend's texts fit inside the legend.
    editor_->show();
    QVERIFY(QTest::qWaitForWindowExposed(editor_));
    for (QLabel *label : legend->findChildren<QLabel *>()) {
        QVERIFY(legend->rect().contains(label->geometry()));
        QVERIFY2(label->sizeHint().width() <= label->width(), qPrintable(label->text()));
    }
}

void TestStatusEditor::showsStoredStatus()
{
    QFETCH(QByteArray, file);
    QFETCH(Statuses, expected);
    open(file);
    for (int i = 0; i < BeaconCount; ++i) {
        QVERIFY(store_->SelectedStatus(i) == static_cast<BeaconStatus>(expected[i]));
        verifyStation(i, static_cast<BeaconStatus>(expected[i]));
    }
}

void TestStatusEditor::okSavesChoices()
{
    QFETCH(QByteArray, file);
    QFETCH(Statuses, expected);
    open(file);
    editor_->show();
    QSignalSpy back(editor_.data(), &frmSelStatus::returnToMap);

    control<QPushButton>("Command1")->click();

    QCOMPARE(back.count(), 1);
    QVERIFY(!editor_->isVisible());
    for (int i = 0; i < BeaconCount; ++i) {
        const auto s = static_cast<BeaconStatus>(expected[i]);
        const auto word = [&](StatusWord w) { return QString::fromStdString(settings_->readStatus(w, i)); };
        const auto value = [](bool on) { return on ? QStringLiteral("True") : QStringLiteral("False"); };
        QCOMPARE(word(StatusWord::OK), value(s == BeaconStatus::OK));
        QCOMPARE(word(StatusWord::OFF), value(s == BeaconStatus::OFF));
        QCOMPARE(word(StatusWord::ON), value(s == BeaconStatus::ON));
        // Reloaded from the file: the flags now agree with the choice.
        QCOMPARE(store_->StatusOK(i), s == BeaconStatus::OK);
        QCOMPARE(store_->StatusON(i), s == BeaconStatus::ON);
        verifyStation(i, s);
    }
}

void TestStatusEditor::clickChoosesStatus()
{
    open(defaultsText());
    editor_->show();
    QVERIFY(QTest::qWaitForWindowExposed(editor_));

    QTest::mouseClick(control<QRadioButton>("Option2", 4), Qt::LeftButton);
    QVERIFY(store_->SelectedStatus(4) == BeaconStatus::OFF);
    verifyStation(4, BeaconStatus::OFF);

    // Clicking the choice already made keeps it.
    QTest::mouseClick(control<QRadioButton>("Option2", 4), Qt::LeftButton);
    QVERIFY(store_->SelectedStatus(4) == BeaconStatus::OFF);
    verifyStation(4, BeaconStatus::OFF);

    control<QRadioButton>("Option3", 4)->click();
    verifyStation(4, BeaconStatus::ON);
    for (int i = 0; i < BeaconCount; ++i)
        if (i != 4)
            verifyStation(i, BeaconStatus::OK);

    // A choice made elsewhere shows at once.
    store_->select(16, BeaconStatus::OFF);
    verifyStation(16, BeaconStatus::OFF);

    // Nothing is saved before Ok.
    QCOMPARE(fileBytes(path_), defaultsText());
}

void TestStatusEditor::cancelDiscardsEdits_data()
{
    QTest::addColumn<bool>("escape");
    QTest::newRow("Cancel") << false;
    QTest::newRow("Escape key") << true;
}

void TestStatusEditor::cancelDiscardsEdits()
{
    QFETCH(bool, escape);
    const QByteArray stored = QByteArray(defaultsText()).replace("ON 3=False", "ON 3=True");
    open(withoutStation(stored, 10));
    editor_->show();
    QSignalSpy back(editor_.data(), &frmSelStatus::returnToMap);

    control<QRadioButton>("Option1", 3)->click();
    control<QRadioButton>("Option2", 0)->click();
    control<QRadioButton>("Option3", 10)->click();
    control<QRadioButton>("Option3", 17)->click();
    QVERIFY(store_->SelectedStatus(10) == BeaconStatus::ON);
    const QByteArray before = fileBytes(path_);

    if (escape) {
        editor_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(editor_));
        QTest::keyClick(editor_, Qt::Key_Escape);
    } else {
        control<QPushButton>("Command2")->click();
    }

    QCOMPARE(back.count(), 1);
    QVERIFY(!editor_->isVisible());
    QCOMPARE(fileBytes(path_), before);
    const Statuses expected = with(allOf(BeaconStatus::OK), {{3, BeaconStatus::ON}, {10, BeaconStatus::None}});
    for (int i = 0; i < BeaconCount; ++i) {
        QVERIFY(store_->SelectedStatus(i) == static_cast<BeaconStatus>(expected[i]));
        QVERIFY(control<QRadioButton>("Option1", i)->isChecked() == (expected[i] == int(BeaconStatus::OK)));
        QVERIFY(control<QRadioButton>("Option3", i)->isChecked() == (expected[i] == int(BeaconStatus::ON)));
        QVERIFY(!control<QRadioButton>("Option2", i)->isChecked());
    }
    // The station without a status keeps the LED it showed last.
    QVERIFY(control<QLabel>("onLEDblueDim", 10)->isHidden());
    QCOMPARE(control<QRadioButton>("Option3", 10)->palette().color(QPalette::WindowText), QColor(192, 192, 192));
}

void TestStatusEditor::closeBoxDiscardsEditsAndDestroys()
{
    open(defaultsText());
    editor_->show();
    QVERIFY(QTest::qWaitForWindowExposed(editor_));
    QSignalSpy back(editor_.data(), &frmSelStatus::returnToMap);
    control<QRadioButton>("Option2", 8)->click();

    QVERIFY(editor_->close());

    QCOMPARE(back.count(), 1);
    QVERIFY(store_->SelectedStatus(8) == BeaconStatus::OK);
    QCOMPARE(fileBytes(path_), defaultsText());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(editor_.isNull());

    // The next opening builds a fresh editor over the same store.
    editor_ = new frmSelStatus(*store_);
    verifyStation(8, BeaconStatus::OK);
}

void TestStatusEditor::hiddenEditorClosesQuietly()
{
    open(defaultsText());
    QSignalSpy back(editor_.data(), &frmSelStatus::returnToMap);
    editor_->close();
    QCOMPARE(back.count(), 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(editor_.isNull());
}

void TestStatusEditor::failedSaveShowsWhatTheFileHolds()
{
    // A settings path below a plain file can be neither read nor written.
    const QString blocker = dir_->filePath(QStringLiteral("plain"));
    {
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a folder");
    }
    path_ = blocker + QStringLiteral("/Halvion.ini");
    open(QByteArray());
    editor_->show();
    control<QRadioButton>("Option1", 2)->click();
    QVERIFY(store_->SelectedStatus(2) == BeaconStatus::OK);

    QSignalSpy back(editor_.data(), &frmSelStatus::returnToMap);
    control<QPushButton>("Command1")->click();
    QCOMPARE(back.count(), 1);
    QVERIFY(store_->SelectedStatus(2) == BeaconStatus::None);
    QVERIFY(!control<QRadioButton>("Option1", 2)->isChecked());
}

// Heard stations marked off the air are proposed OK; one with problems stays so (the
// spots cannot tell); unheard ones are marked in red. Cancel forgets all of it; Ok
// saves the proposals; without a feed the button is not usable.
void TestStatusEditor::suggestionsFromSpots()
{
    open(QByteArray(defaultsText())
             .replace("OK 1=True", "OK 1=False")
             .replace("OFF 1=False", "OFF 1=True") // VE8AT off the air
             .replace("OK 2=True", "OK 2=False")
             .replace("ON 2=False", "ON 2=True")    // W6WX with problems
             .replace("OK 3=True", "OK 3=False")
             .replace("OFF 3=False", "OFF 3=True")); // KH6WO off the air, and not heard
    auto *button = control<QPushButton>("SuggestFromSpots");
    QVERIFY(button);
    QCOMPARE(button->text(), QStringLiteral("Suggest From Spots"));
    QVERIFY(!button->isEnabled());
    QVERIFY(editor_->rect().contains(button->geometry()));
    QVERIFY(!button->geometry().intersects(control<QPushButton>("Command1")->geometry()));
    QVERIFY(!button->geometry().intersects(control<QLabel>("SuggestionText")->geometry()));
    // Laid out, it sits right of the legend's texts, its caption whole.
    editor_->show();
    QVERIFY(QTest::qWaitForWindowExposed(editor_));
    QVERIFY2(button->fontMetrics().horizontalAdvance(button->text()) + 8 <= button->width(),
             qPrintable(QStringLiteral("%1 in %2").arg(button->fontMetrics().horizontalAdvance(button->text())).arg(button->width())));
    auto *legend = control<QGroupBox>("Frame2");
    for (QLabel *label : legend->findChildren<QLabel *>()) {
        const QRect text(legend->mapTo(editor_, label->pos()), label->sizeHint());
        QVERIFY2(!text.intersects(button->geometry()), qPrintable(label->text()));
    }
    editor_->hide();

    StatusSuggestion suggestion;
    suggestion.heardLately[0] = suggestion.heardLately[1] = suggestion.heardLately[2] = true;
    suggestion.unheard[3] = suggestion.unheard[15] = true;
    int asked = 0;
    editor_->setSuggestionSource([&] {
        ++asked;
        return suggestion;
    });
    QVERIFY(button->isEnabled());
    QCOMPARE(asked, 0);
    const QByteArray before = fileBytes(path_);
    editor_->show();
    button->click();
    QCOMPARE(asked, 1);
    verifyStation(0, BeaconStatus::OK);
    verifyStation(1, BeaconStatus::OK);
    verifyStation(2, BeaconStatus::ON);
    verifyStation(3, BeaconStatus::OFF);
    QVERIFY(editor_->markedUnheard(3) && editor_->markedUnheard(15) && !editor_->markedUnheard(0));
    QVERIFY(!control<QGroupBox>("Frame3", 3)->toolTip().isEmpty());
    QCOMPARE(control<QLabel>("SuggestionText")->text(), QStringLiteral("1 proposed OK, 2 not heard for a day"));
    const QString text = control<QLabel>("SuggestionText")->toolTip();
    QVERIFY2(text.contains(QStringLiteral("OK proposed (heard in the last hour): VE8AT.")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("KH6WO, LU4AA")), qPrintable(text));
    QCOMPARE(fileBytes(path_), before); // nothing saved by itself

    editor_->Command2_Click();
    QCOMPARE(fileBytes(path_), before);
    QCOMPARE(store_->SelectedStatus(1), BeaconStatus::OFF);
    QVERIFY(!editor_->markedUnheard(3));
    QVERIFY(control<QLabel>("SuggestionText")->text().isEmpty());
    QVERIFY(control<QGroupBox>("Frame3", 3)->toolTip().isEmpty());

    editor_->show();
    button->click();
    editor_->Command1_Click();
    QVERIFY(fileBytes(path_).contains("OK 1=True"));
    QVERIFY(fileBytes(path_).contains("OFF 1=False"));
    QVERIFY(fileBytes(path_).contains("ON 2=True"));
    QVERIFY(fileBytes(path_).contains("OFF 3=True"));

    // Not listened long enough: the note says why nothing is marked.
    suggestion = StatusSuggestion{};
    suggestion.note = QStringLiteral("Connected 5 h 0 min of the last 24 h");
    editor_->show();
    button->click();
    QCOMPARE(control<QLabel>("SuggestionText")->text(), QStringLiteral("No change"));
    QVERIFY(control<QLabel>("SuggestionText")->toolTip().contains(suggestion.note));
    editor_->setSuggestionSource({});
    QVERIFY(!button->isEnabled());
}

QTEST_MAIN(TestStatusEditor)
#include "tst_status_editor.moc"
