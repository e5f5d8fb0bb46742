#include "Parlino/Services/OnboardingModel.h"

#include <algorithm>

namespace Parlino {

namespace {

QList<OnboardingStep> makeSteps() {
    using enum OnboardingReveal;
    return {
        {u"Hi! Welcome to Parlino, the app that reads whatever you highlight aloud."_qs,
         {},
         {},
         resetPane},
        {u"Connect an ElevenLabs API Key to get started."_qs,
         {},
         OnboardingLink::make(u"Grab one here ↗"_qs,
                              u"https://elevenlabs.io/app/settings/api-keys"_qs),
         apiKey},
        {u"You get 10,000 characters a month for free, so spend them wisely or upgrade!"_qs,
         {},
         {},
         usage},
        {u"To use, highlight any block of text, then press the right Super key to begin playback "
         u"(or right Alt, if you picked it in Settings)."_qs,
         {},
         {},
         {}},
        {u"While audio is playing, the media keys control it through the desktop's media-player "
         u"interface (MPRIS): Previous replays, Play/Pause pauses, and Next changes playback "
         u"speed."_qs,
         {},
         {},
         shortcuts},
        {u"Press the voices tab to switch readers — more options live in Settings."_qs,
         {},
         {},
         voices,
         u"Choose a voice in the Voice pane to switch readers — the panel's voices tab has them "
         u"too."_qs},
        {u"To open Parlino, click the bar at the top of the screen, or the icon in the tray."_qs,
         {},
         {},
         {}},
        {u"Thanks for downloading, and I hope Parlino proves helpful!"_qs,
         u"— The maker of Parlino"_qs,
         {},
         clips},
    };
}

} // namespace

std::optional<OnboardingLink> OnboardingLink::make(QString title, const QString& address) {
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid() || url.isRelative() || url.host().isEmpty())
        return std::nullopt;
    return OnboardingLink{std::move(title), url};
}

OnboardingModel::OnboardingModel(QObject* parent) : QObject(parent) {}

const QList<OnboardingStep>& OnboardingModel::steps() {
    static const QList<OnboardingStep> list = makeSteps();
    return list;
}

void OnboardingModel::setIndex(int index) {
    if (index == m_index)
        return;
    m_index = index;
    emit indexChanged();
}

void OnboardingModel::setHost(OnboardingHost host) {
    if (host == m_host)
        return;
    m_host = host;
    emit hostChanged();
}

void OnboardingModel::revealCurrent() {
    const auto last = int(steps().size()) - 1;
    const auto& reveal = steps()[std::clamp(m_index, 0, last)].reveal;
    if (reveal && onReveal)
        onReveal(*reveal);
}

void OnboardingModel::advance() {
    if (m_index >= int(steps().size()) - 1) {
        if (onFinish)
            onFinish();
        return;
    }
    setIndex(m_index + 1);
    revealCurrent();
}

void OnboardingModel::back() {
    if (m_index < 1)
        return;
    setIndex(m_index - 1);
    revealCurrent();
}

} // namespace Parlino
