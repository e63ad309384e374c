#pragma once
// The status editor: one frame per beacon station with an OK / OFF / ON choice and
// the LED that goes with it. The user copies each station's operational status into
// it; Ok saves the choices, Cancel (or the close box) reloads them from the file.

#include "status_store.h"
#include "status_suggestion.h"

#include <QWidget>

#include <array>
#include <functional>

class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace halvion {

class frmSelStatus : public QWidget {
    Q_OBJECT
public:
    // Loads the stored status into the store and shows it; the window starts hidden.
    explicit frmSelStatus(StatusStore &store, QWidget *parent = nullptr);

    // Captions and LEDs redrawn from the stations' choices.
    void RefreshStatusLeds();

    // "Suggest From Spots": where the skimmers' spots come from (the button is usable
    // while there is a source), and its click. A station heard in the last hour that
    // is marked off the air is chosen "OK" (on the air); a station not heard through a
    // day of listening gets its frame marked. Nothing is saved until Ok.
    void setSuggestionSource(std::function<StatusSuggestion()> source);
    void SuggestFromSpots_Click();
    QPushButton *SuggestFromSpots = nullptr;
    QLabel *SuggestionText = nullptr;
    // The stations whose frames carry the "not heard for a day" mark.
    bool markedUnheard(BeaconIndex i) const { return unheardMarks_[static_cast<std::size_t>(i)]; }

public Q_SLOTS:
    void Command1_Click(); // Ok
    void Command2_Click(); // Cancel

Q_SIGNALS:
    // The editor is done: the main window redraws its map for the tracked band and
    // shows itself again.
    void returnToMap();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildStationFrame(BeaconIndex i);
    void buildLegend();
    void Option_Click(BeaconIndex i, BeaconStatus status);
    void showChoice(BeaconIndex i);
    void leave();

    StatusStore &store_;

    QFrame *Frame1 = nullptr;
    std::array<QGroupBox *, BeaconCount> Frame3{};
    std::array<QLabel *, BeaconCount> Image1{}, Image2{}, Image3{};
    std::array<QLabel *, BeaconCount> OnLEDdim{}, OffAirDim{}, onLEDblueDim{};
    std::array<QRadioButton *, BeaconCount> Option1{}, Option2{}, Option3{};
    QGroupBox *Frame2 = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *Command2 = nullptr;
    std::function<StatusSuggestion()> suggestions_;
    std::array<bool, BeaconCount> unheardMarks_{};
};

} // namespace halvion
