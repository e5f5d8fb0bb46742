#include "Parlino/Services/SettingsKeys.h"

#include <array>
#include <cmath>

namespace Parlino {

SettingsKeys::SettingsKeys(std::shared_ptr<Base::UserDefaults> suite)
    : confirmThreshold(QStringLiteral("confirmThreshold"), 1000, suite),
      voiceID(QStringLiteral("voiceID"), defaultVoiceID, suite),
      recentVoiceIDs(QStringLiteral("recentVoiceIDs"), {}, suite),
      provenVoiceIDs(QStringLiteral("provenVoiceIDs"), {}, suite),
      playbackRate(QStringLiteral("playbackRate"), 1.0, suite),
      defaultPlaybackRate(QStringLiteral("defaultPlaybackRate"), 1.0, suite),
      playbackDefaultSeeded(QStringLiteral("playbackDefaultSeeded"), false, suite),
      denyListBundleIDs(
          QStringLiteral("denyListBundleIDs"),
          {QStringLiteral("com.1password.1password"), QStringLiteral("com.agilebits.onepassword7"),
           QStringLiteral("com.bitwarden.desktop"), QStringLiteral("com.lastpass.LastPass"),
           QStringLiteral("org.keepassxc.keepassxc")},
          suite),
      panelFontDesign(QStringLiteral("panelFontDesign"), QStringLiteral("sfPro"), suite),
      panelFontSize(QStringLiteral("panelFontSize"), 15, suite),
      showInDock(QStringLiteral("showInDock"), false, suite),
      hasSeenOnboarding(QStringLiteral("hasSeenOnboarding"), false, suite),
      idleBarHidden(QStringLiteral("idleBarHidden"), false, suite),
      transcriptCase(QStringLiteral("transcriptCase"), QStringLiteral("preserve"), suite),
      shortcutsMigratedToV2(QStringLiteral("shortcutsMigratedToV2"), false, suite),
      shortcutsMigratedToV3(QStringLiteral("shortcutsMigratedToV3"), false, suite),
      rightCommandTapEnabled(QStringLiteral("rightCommandTapEnabled"), true, suite),
      tapModifier(QStringLiteral("tapModifier"), QStringLiteral("rightCommand"), suite),
      rightCommandDoubleTapReplayEnabled(QStringLiteral("rightCommandDoubleTapReplayEnabled"), true,
                                         suite),
      saveRecordings(QStringLiteral("saveRecordings"), true, suite),
      synthesisModel(QStringLiteral("synthesisModel"), QStringLiteral("flash"), suite),
      transparencyEnabled(QStringLiteral("transparencyEnabled"), true, suite),
      automaticallyChecksForUpdates(QStringLiteral("automaticallyChecksForUpdates"), true, suite),
      lastUpdateCheckDate(QStringLiteral("lastUpdateCheckDate"), suite) {}

const SettingsKeys& SettingsKeys::shared() {
    // Never destroyed, like the suite it reads.
    static const auto* keys = new SettingsKeys(Base::UserDefaults::standard());
    return *keys;
}

void seedDefaultPlaybackRate(const SettingsKeys& keys) {
    const bool seeded = Defaults::get(keys.playbackDefaultSeeded);
    const double rate = Defaults::get(keys.playbackRate);
    if (seeded)
        return;
    Defaults::set(keys.defaultPlaybackRate, rate);
    Defaults::set(keys.playbackDefaultSeeded, true);
}

double nextPlaybackRate(double rate) {
    static constexpr std::array steps{0.5, 0.75, 1.0, 1.25, 1.5, 1.75, 2.0};
    for (size_t i = 0; i < steps.size(); ++i)
        if (std::abs(steps[i] - rate) < 0.001)
            return steps[(i + 1) % steps.size()];
    for (const double step : steps)
        if (step > rate)
            return step;
    return 1.0;
}

} // namespace Parlino
