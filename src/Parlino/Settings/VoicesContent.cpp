#include "Parlino/Settings/VoicesContent.h"

#include "Defaults/Key.h"

#include <algorithm>

namespace Parlino {

namespace {

using FetchKind = VoicesModel::FetchState::Kind;
using FailureKind = VoicesModel::FailureKind;

struct SampleMarks {
    bool isLoading;
    bool isPlaying;
};

SampleMarks sampleMarks(const VoiceSamplePlayer::State& sample, const QString& voiceID) {
    if (sample.voiceID() != voiceID)
        return {false, false};
    return {sample.kind() == VoiceSamplePlayer::State::Kind::loading,
            sample.kind() == VoiceSamplePlayer::State::Kind::playing};
}

bool hasVoice(const QList<TTS::Voice>& voices, const QString& id) {
    return std::ranges::any_of(voices, [&](const TTS::Voice& voice) { return voice.id == id; });
}

const TTS::Voice* findVoice(const QList<TTS::Voice>& voices, const QString& id) {
    const auto found =
        std::ranges::find_if(voices, [&](const TTS::Voice& voice) { return voice.id == id; });
    return found == voices.end() ? nullptr : &*found;
}

// Which tile a voice of the pane is: the same rules for the top row and the sections.
struct TileRules {
    const VoiceSamplePlayer::State& sample;
    const QString& currentID;
    bool currentMissing;

    VoiceTileContent tile(const TTS::Voice& voice) const {
        const SampleMarks marks = sampleMarks(sample, voice.id);
        const bool isCurrent = voice.id == currentID;
        return {
            voice,           isCurrent,      currentMissing && isCurrent, voice.requiresCaptcha(),
            marks.isLoading, marks.isPlaying};
    }
};

bool sameTiles(const QList<VoiceTileContent>& a, const QList<VoiceTileContent>& b) {
    return std::ranges::equal(a, b, [](const VoiceTileContent& x, const VoiceTileContent& y) {
        return x.voice == y.voice;
    });
}

} // namespace

VoiceChoice VoiceChoice::read(const SettingsKeys& keys) {
    return {Defaults::get(keys.voiceID), Defaults::get(keys.recentVoiceIDs)};
}

QString VoiceTileContent::displayName() const {
    return splitVoiceName(voice.name).displayName;
}

VoiceAvailability VoiceTileContent::availability() const {
    if (isUnavailable)
        return VoiceAvailability::unavailable;
    return isOnHold ? VoiceAvailability::onHold : VoiceAvailability::available;
}

std::optional<QString> VoiceTileContent::status() const {
    if (isUnavailable)
        return QStringLiteral("unavailable");
    if (isOnHold)
        return QStringLiteral("on hold");
    return std::nullopt;
}

QString VoiceTileContent::accessibleName() const {
    const auto line = status();
    return line ? displayName() + QStringLiteral(", ") + *line : displayName();
}

VoicePaneFailure VoicePaneFailure::of(FailureKind kind) {
    switch (kind) {
    case FailureKind::noKey:
        return {QStringLiteral("No API key — add one in the API Key pane to choose voices."), false,
                Control::goToAPIKey};
    case FailureKind::network:
        return {QStringLiteral("Couldn't reach ElevenLabs — check your connection."), true,
                Control::retry};
    case FailureKind::permission:
        return {QStringLiteral("This key can't list voices — your current voice keeps working."),
                false, Control::none};
    case FailureKind::other:
        return {QStringLiteral(
                    "ElevenLabs is having trouble right now — please try again in a moment."),
                true, Control::retry};
    }
    Q_UNREACHABLE();
}

qsizetype VoicePaneContent::tileCount() const {
    qsizetype count = topRow.size();
    for (const VoiceSectionContent& section : sections)
        count += section.tiles.size();
    return count;
}

bool VoicePaneContent::hasSameShape(const VoicePaneContent& other) const {
    if (kind != other.kind || failure != other.failure ||
        showsOnHoldBanner != other.showsOnHoldBanner || topRow.size() != other.topRow.size() ||
        sections.size() != other.sections.size())
        return false;
    for (qsizetype i = 0; i < topRow.size(); ++i)
        if (topRow[i].caption != other.topRow[i].caption ||
            topRow[i].tile.voice != other.topRow[i].tile.voice)
            return false;
    for (qsizetype i = 0; i < sections.size(); ++i)
        if (sections[i].kind != other.sections[i].kind ||
            !sameTiles(sections[i].tiles, other.sections[i].tiles))
            return false;
    return true;
}

VoicePaneContent VoicePaneContent::make(const VoicesModel::FetchState& fetch,
                                        const VoiceSamplePlayer::State& sample,
                                        const VoiceChoice& choice, const QString& search) {
    VoicePaneContent content;
    switch (fetch.kind()) {
    case FetchKind::idle:
    case FetchKind::loading:
        content.kind = Kind::loading;
        return content;
    case FetchKind::failed:
        content.kind = Kind::failed;
        content.failure = VoicePaneFailure::of(fetch.failure());
        return content;
    case FetchKind::loaded:
        break;
    }
    content.kind = Kind::browser;
    const QList<TTS::Voice>& voices = fetch.voices();
    const TileRules rules{sample, choice.selectedVoiceID,
                          !hasVoice(voices, choice.selectedVoiceID)};
    for (const auto& entry :
         VoiceSections::topRow(voices, choice.selectedVoiceID, choice.recentVoiceIDs, search))
        content.topRow.append({rules.tile(entry.voice), entry.caption});
    for (const VoiceSection& section : VoiceSections::sections(voices, search)) {
        VoiceSectionContent shown{section.kind, {}};
        shown.tiles.reserve(section.voices.size());
        for (const TTS::Voice& voice : section.voices)
            shown.tiles.append(rules.tile(voice));
        content.sections.append(std::move(shown));
    }
    const auto onHold = [](const VoiceTileContent& tile) { return tile.isOnHold; };
    content.showsOnHoldBanner =
        std::ranges::any_of(content.topRow,
                            [&](const auto& entry) { return onHold(entry.tile); }) ||
        std::ranges::any_of(content.sections, [&](const auto& section) {
            return std::ranges::any_of(section.tiles, onHold);
        });
    return content;
}

QString VoiceCellContent::accessibleName() const {
    QString name = voice.displayName;
    if (voice.descriptor)
        name += QStringLiteral(", ") + *voice.descriptor;
    if (availability == VoiceAvailability::onHold)
        name += QStringLiteral(", on hold");
    else if (availability == VoiceAvailability::unavailable)
        name += QStringLiteral(", unavailable");
    return name;
}

QString VoicesSectionContent::failureMessage(FailureKind kind) {
    switch (kind) {
    case FailureKind::noKey:
        return QStringLiteral("Add an API key in Settings to choose voices.");
    case FailureKind::network:
        return QStringLiteral("Couldn't reach ElevenLabs — check your connection.");
    case FailureKind::permission:
        return QStringLiteral("This key can't list voices — your current voice keeps working.");
    case FailureKind::other:
        return QStringLiteral("ElevenLabs is having trouble right now — try again in a moment.");
    }
    Q_UNREACHABLE();
}

VoicesSectionContent VoicesSectionContent::make(const VoicesModel::FetchState& fetch,
                                                const VoiceSamplePlayer::State& sample,
                                                const QString& selectedVoiceID) {
    switch (fetch.kind()) {
    case FetchKind::loading:
        return {Kind::loading, {}, {}};
    case FetchKind::failed:
        return {Kind::message, failureMessage(fetch.failure()), {}};
    case FetchKind::idle:
    case FetchKind::loaded:
        break;
    }
    const QList<TTS::Voice>& voices = fetch.voices();
    const QList<CuratedVoice> featured = VoiceSections::build(voices, featuredLimit);
    if (fetch.kind() == FetchKind::loaded && featured.isEmpty())
        return {Kind::message, QStringLiteral("No built-in voices available on this account"), {}};
    VoicesSectionContent content{Kind::grid, {}, {}};
    for (const CuratedVoice& voice : featured) {
        const TTS::Voice* loaded = findVoice(voices, voice.id);
        const VoiceAvailability availability = !loaded ? VoiceAvailability::unavailable
                                               : loaded->requiresCaptcha()
                                                   ? VoiceAvailability::onHold
                                                   : VoiceAvailability::available;
        const SampleMarks marks = sampleMarks(sample, voice.id);
        content.cells.append(
            {voice, voice.id == selectedVoiceID, availability, marks.isLoading, marks.isPlaying});
    }
    return content;
}

namespace VoiceActions {

void press(const TTS::Voice& voice, VoiceSamplePlayer& samples, const SettingsKeys& keys) {
    VoicesModel::selectVoice(voice.id, keys);
    if (voice.previewURL)
        samples.toggle(voice.id, VoiceSampleSource::provider(*voice.previewURL));
}

void press(const CuratedVoice& voice, const VoicesModel::FetchState& fetch,
           VoiceSamplePlayer& samples, const SettingsKeys& keys) {
    VoicesModel::selectVoice(voice.id, keys);
    const TTS::Voice* loaded = findVoice(fetch.voices(), voice.id);
    const auto source =
        VoiceSampleSource::make(voice.previewResource, loaded ? loaded->previewURL : std::nullopt);
    if (source)
        samples.toggle(voice.id, *source);
}

void refreshOnShow(VoicesModel& model, std::stop_token cancel) {
    const FetchKind kind = model.state().kind();
    if (kind == FetchKind::idle || kind == FetchKind::failed)
        model.refresh(std::move(cancel));
}

void refreshUnlessLoading(VoicesModel& model) {
    if (model.state().kind() != FetchKind::loading)
        model.refresh();
}

} // namespace VoiceActions

} // namespace Parlino
