#include "status_store.h"

namespace halvion {

namespace {

constexpr bool validIndex(BeaconIndex i) { return i >= 0 && i < BeaconCount; }
constexpr std::size_t at(BeaconIndex i) { return static_cast<std::size_t>(i); }

// The three load passes run in this order, so a later "True" wins over an earlier one.
struct Pass {
    StatusWord word;
    BeaconStatus status;
};
constexpr std::array<Pass, 3> LoadPasses{{
    {StatusWord::OK, BeaconStatus::OK},
    {StatusWord::OFF, BeaconStatus::OFF},
    {StatusWord::ON, BeaconStatus::ON},
}};

} // namespace

StatusStore::StatusStore(SettingsFile &settings, QObject *parent)
    : QObject(parent), settings_(settings)
{
}

BeaconStatus StatusStore::SelectedStatus(BeaconIndex i) const
{
    return validIndex(i) ? selected_[at(i)] : BeaconStatus::None;
}

bool StatusStore::StatusOK(BeaconIndex i) const { return validIndex(i) && ok_[at(i)]; }
bool StatusStore::StatusOFF(BeaconIndex i) const { return validIndex(i) && off_[at(i)]; }
bool StatusStore::StatusON(BeaconIndex i) const { return validIndex(i) && on_[at(i)]; }

void StatusStore::select(BeaconIndex i, BeaconStatus status)
{
    if (!validIndex(i) || selected_[at(i)] == status)
        return;
    selected_[at(i)] = status;
    Q_EMIT selectionChanged(i);
}

bool StatusStore::hasSavedStatus() const
{
    return settings_.read(SettingsKeys::StatusProbe).has_value();
}

void StatusStore::writeDefaults()
{
    SettingsFile::Batch keys;
    for (BeaconIndex i = 0; i < BeaconCount; ++i) {
        keys.push_back(SettingsFile::statusEntry(StatusWord::OK, i, true));
        keys.push_back(SettingsFile::statusEntry(StatusWord::OFF, i, false));
        keys.push_back(SettingsFile::statusEntry(StatusWord::ON, i, false));
    }
    settings_.write(keys);
    for (BeaconIndex i = 0; i < BeaconCount; ++i)
        select(i, BeaconStatus::OK);
}

void StatusStore::ReadBeaconStatus()
{
    for (const Pass &pass : LoadPasses) {
        std::array<bool, BeaconCount> &saved = pass.word == StatusWord::OK    ? ok_
                                             : pass.word == StatusWord::OFF ? off_
                                                                            : on_;
        for (BeaconIndex i = 0; i < BeaconCount; ++i) {
            const bool on = settings_.readStatus(pass.word, i) == SettingsKeys::True;
            saved[at(i)] = on;
            if (on)
                select(i, pass.status);
            else if (selected_[at(i)] == pass.status)
                select(i, BeaconStatus::None);
        }
    }
}

void StatusStore::writeSelection()
{
    SettingsFile::Batch keys;
    for (const Pass &pass : LoadPasses)
        for (BeaconIndex i = 0; i < BeaconCount; ++i)
            keys.push_back(SettingsFile::statusEntry(pass.word, i, selected_[at(i)] == pass.status));
    settings_.write(keys);
}

} // namespace halvion
