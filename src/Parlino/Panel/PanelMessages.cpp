#include "Parlino/Panel/PanelMessages.h"

#include "Parlino/Services/KeyringState.h"
#include "Parlino/Style/NumberText.h"

#include <QCoreApplication>

namespace Parlino::PanelMessages {

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("PanelMessages", text);
}

} // namespace

QString captureFailure(const Core::CaptureError& error) {
    using Kind = Core::CaptureError::Kind;
    switch (error.kind()) {
    case Kind::appDenied:
        return tr("Capture is disabled for this app.");
    case Kind::appUnsupported:
        return tr("This app doesn't expose its selection.");
    case Kind::permissionDenied:
        return tr("Parlino needs Accessibility access to read selections.");
    case Kind::nothingSelected:
        return tr("Nothing selected.");
    case Kind::secureField:
        return tr("Can't read secure fields.");
    case Kind::timedOut:
        return tr("The app didn't respond in time.");
    case Kind::ownAppFrontmost:
        return tr("Click into the app with your text, then try again.");
    case Kind::selectionTooLarge:
        return tr("The selection is too large to read. Select less, then try again.");
    }
    Q_UNREACHABLE();
}

bool offersAccessibilitySettings(const Core::CaptureError& error) {
    return error.kind() == Core::CaptureError::Kind::permissionDenied;
}

StallRow stallRow(const Core::TTSError& error) {
    using Kind = Core::TTSError::Kind;
    const QString serviceProblem = tr("The voice service hit a problem.");
    switch (error.kind()) {
    case Kind::network:
        if (error.isUnanswered())
            return {tr("The voice service isn't answering — retry in a moment."),
                    StallAction::retry};
        return {tr("No connection — audio will resume when you retry."), StallAction::retry};
    case Kind::providerFault:
        return {serviceProblem, error.status() == 404 ? StallAction::revert : StallAction::retry};
    case Kind::unauthorized:
        return {tr("Your ElevenLabs key was rejected — check Settings."), StallAction::retry};
    case Kind::accountInProbation:
        return {tr("Cloned voices are on hold by ElevenLabs — pick a Built-in voice, or ask their "
                   "support."),
                StallAction::revert};
    case Kind::insufficientCredits:
        return {tr("Your ElevenLabs account is out of credits — add credits or upgrade."),
                StallAction::retry};
    case Kind::insufficientPermissions:
        return {tr("This ElevenLabs key can't use this voice — pick a different voice, or check "
                   "your plan."),
                StallAction::revert};
    case Kind::entitlementExceeded:
        return {serviceProblem, StallAction::retry};
    case Kind::textTooLong:
        return {tr("That selection is too long."), StallAction::retry};
    case Kind::noKey:
        return {tr("No ElevenLabs key is saved — add one in Settings."), StallAction::retry};
    case Kind::keyUnreadable:
    case Kind::keyLocked:
    case Kind::keyringUnavailable:
    case Kind::noKeyring:
    case Kind::keyringAwaitingUnlock:
    case Kind::keyUnusable:
        return {keyringStateText(*keyringStateOf(error)), StallAction::retry};
    case Kind::audioOutputLost:
        return {tr("Audio output lost — audio will resume when you retry."), StallAction::retry};
    }
    Q_UNREACHABLE();
}

StallRow stallRow(const PlayerViewModel::Phase& phase) {
    if (phase.causeGone())
        return {tr("Your key can be read now — retry."), StallAction::retry};
    return stallRow(phase.ttsError().value_or(Core::TTSError::providerFault(0, {})));
}

QString stallActionTitle(StallAction action) {
    return action == StallAction::revert ? tr("Revert") : tr("Retry");
}

QString warningSymbol(const ActiveWarning& warning) {
    switch (warning.kind()) {
    case ActiveWarning::Kind::usageLow:
        return QStringLiteral("exclamationmark.triangle.fill");
    case ActiveWarning::Kind::noKey:
        return QStringLiteral("key.slash.fill");
    case ActiveWarning::Kind::none:
        return {};
    }
    Q_UNREACHABLE();
}

QString warningLabel(const ActiveWarning& warning, const QLocale& locale) {
    switch (warning.kind()) {
    case ActiveWarning::Kind::usageLow:
        return NumberText::grouped(warning.charactersLeft(), locale) + tr(" Tokens Left");
    case ActiveWarning::Kind::noKey:
        return tr("No API Key");
    case ActiveWarning::Kind::none:
        return {};
    }
    Q_UNREACHABLE();
}

} // namespace Parlino::PanelMessages
