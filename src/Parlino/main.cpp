#include "Base/Clock.h"
#include "Base/Environment.h"
#include "Base/Linux/GlibThread.h"
#include "Base/Log.h"
#include "Base/Memory.h"
#include "Base/Scheduler.h"
#include "Base/Sleeper.h"
#include "Parlino/Services/AppVersion.h"
#include "Parlino/Settings/VoiceMeshTimeline.h"
#include "Parlino/Shell/AppDelegate.h"
#include "Parlino/Shell/BuildInformation.h"
#include "Parlino/Shell/LaunchOptions.h"
#include "Parlino/Shell/Linux/DesktopOpener.h"
#include "Parlino/Shell/Linux/DesktopPanel.h"
#include "Parlino/Shell/Linux/DesktopSettingsWindow.h"
#include "Parlino/Shell/Linux/QuitSignals.h"
#include "Parlino/Shell/Linux/SessionInstance.h"
#include "Parlino/Shell/Linux/StandardStreams.h"
#include "Parlino/Shell/Linux/SystemServices.h"
#include "Parlino/Shell/Linux/X11DesktopDocks.h"
#include "Parlino/Shell/Linux/X11Session.h"
#include "Parlino/Shell/Linux/X11TrayBackdrop.h"
#include "Parlino/Shell/Linux/X11WindowFrames.h"
#include "Parlino/Style/Icons.h"
#include "Parlino/Style/Linux/AtspiNameAnnouncer.h"
#include "Parlino/Style/Linux/DesktopMotionSettings.h"
#include "Parlino/Style/NameAnnouncement.h"
#include "Parlino/Style/ParlinoStyle.h"
#include "Parlino/Style/PointerMotion.h"
#include "Playback/Linux/SystemChunkPlayerFactory.h"
#include "TTS/ParlinoURLSession.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>

// The windows are X11 windows: refuse in one line, before Qt would abort, when no X display
// answers; say what a Wayland session withholds.
static bool hasX11Display(const QString& name) {
    const auto message = [&name](const QString& cause) {
        return QStringLiteral("%1: %2").arg(name, Parlino::X11Session::noDisplayMessage(cause));
    };
    if (const auto cause = Parlino::X11Session::displayCause(
            qgetenv("DISPLAY"), Parlino::X11Session::answerBound, message)) {
        std::fprintf(stderr, "%s\n", qPrintable(message(*cause)));
        return false;
    }
    if (const auto limits = Parlino::X11Session::waylandLimits(qgetenv("XDG_SESSION_TYPE"),
                                                               qgetenv("WAYLAND_DISPLAY")))
        Base::Log(QStringLiteral("launch")).notice("%{public}s", *limits);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        Base::Environment::setForThisProcess("QT_QPA_PLATFORM", "xcb");
    return true;
}

// A read only hands its text to the session's application over the session bus: it shows no
// window, so it needs no X display and no GUI application object. Once it has its answer it ends
// at once: Qt's bus thread may still be delivering a signal of the bus while the process's statics
// go, and would print Qt's complaints about types it no longer knows after the client's own line.
[[noreturn]] static void runReadClient(int& argc, char** argv, const QString& name) {
    const QCoreApplication client(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Parlino"));
    const int status = Parlino::handOverStandardInput(name);
    std::fflush(nullptr);
    std::_Exit(status);
}

// Help, the version and a refused command line are answered on the terminal before anything
// starts: no display, no session bus, no running application is asked.
static std::optional<int> answerOnTheTerminal(const Parlino::LaunchOptions& options,
                                              const QString& name) {
    const QString version = Parlino::BuildInformation::string(
        Parlino::BuildInformation::dictionary(), Parlino::BuildInformation::applicationVersionKey);
    const auto answer = options.terminalAnswer(name, Parlino::AppVersion::label(version, {}));
    if (!answer)
        return std::nullopt;
    std::fputs(answer->text.toLocal8Bit().constData(), answer->toStandardError ? stderr : stdout);
    return answer->status;
}

int main(int argc, char** argv) {
    Parlino::StandardStreams::secure();
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const auto options = Parlino::LaunchOptions::parse(arguments);
    // The name the user typed, which the program's messages on the terminal begin with.
    const QString name =
        QFileInfo(arguments.isEmpty() ? QStringLiteral("parlino") : arguments.first()).fileName();
    if (const auto status = answerOnTheTerminal(options, name))
        return *status;
    Base::Memory::returnLargeBlocksWhenFreed();
    if (options.action == Parlino::LaunchOptions::Action::read)
        runReadClient(argc, argv, name);
    if (!hasX11Display(name))
        return 1;
    // libatspi and libsecret run on a GLib thread of their own, never on Qt's main loop, and no
    // GTK runs in the process.
    const auto theme = Base::GlibThread::keepQtOffGlib(Base::PlatformTheme::requested(argc, argv));
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Parlino"));
    // The desktop groups every window under the desktop file's entry, with its icon.
    QApplication::setDesktopFileName(QStringLiteral("parlino"));
    QApplication::setWindowIcon(Parlino::Icons::application());
    QApplication::setStyle(new Parlino::ParlinoStyle);
    QApplication::setQuitOnLastWindowClosed(false);
    // Nothing of the user's is touched before this start is known to be the session's one.
    Parlino::SessionInstance instance;
    if (const auto status = Parlino::claimOrHandOver(name, instance))
        return *status;
    Base::PlatformTheme::report(theme);
    const Parlino::QuitSignals quitSignals(&QApplication::quit);
    const Parlino::DesktopOpener opener;

    auto& clock = Base::SteadyClock::shared();
    auto& scheduler = Base::QtScheduler::shared();
    const auto& keys = Parlino::SettingsKeys::shared();
    Parlino::MotionPreferences motionPreferences;
    Parlino::DesktopMotionSettings desktopMotion(motionPreferences);
    Parlino::setNameAnnouncer(&Parlino::announceNameOnAtspi);
    const Parlino::MotionContext motion{clock, scheduler, motionPreferences};
    auto& pointer = Parlino::PointerMotion::shared();
    Parlino::VoiceMeshTimeline voiceArt(scheduler, &Base::Date::now);

    Parlino::UpdateController updates;
    Parlino::DesktopPanel panel(motion, pointer, keys);
    Parlino::CompositionRoot root(
        Parlino::makeSystemServices(TTS::ParlinoURLSession::shared(), clock, scheduler,
                                    Base::SteadySleeper::shared()),
        clock, scheduler, Parlino::CompositionRoot::Configuration::standard(),
        [&panel](Parlino::CompositionRoot& owner) { return panel.make(owner); });
    Parlino::DesktopSettingsWindow settings(root, TTS::ParlinoURLSession::shared(), motion, pointer,
                                            keys, voiceArt);
    panel.setSettingsServices([&settings] { return settings.services(); });
    auto makeClipsWindow = [&] {
        return std::make_unique<Parlino::ClipsWindowController>(
            root.clipLibrary(), &root.audioOutput(),
            std::make_unique<Playback::SystemChunkPlayerFactory>(),
            Parlino::ClipsViewEnvironment{motion, pointer, keys});
    };
    Parlino::X11TrayBackdrop trayBackdrop;
    Parlino::X11WindowFrames windowFrames;
    Parlino::X11DesktopDocks desktopDocks;
    Parlino::AppDelegate delegate(
        {root, updates, keys, scheduler, makeClipsWindow,
         [&](Parlino::SettingsNavigation& navigation) { return settings.make(navigation); },
         &trayBackdrop, &windowFrames, &desktopDocks});
    delegate.launch();
    instance.serve([&](const QString& text) { delegate.readWithParlino(text); },
                   [&] { delegate.openParlino(); });
    const int status = QApplication::exec();
    // Whichever way the quit came, the clips and cache entries of reads that just ended are
    // written first; what cannot be in a few seconds is left to the next launch's clean-up.
    constexpr auto saveBound = std::chrono::seconds(5);
    if (!root.finishSaves(saveBound)) {
        Base::Log(QStringLiteral("launch"))
            .error("quit: saves still running after %{public}ld s: left unfinished",
                   qint64(saveBound.count()));
        std::_Exit(status);
    }
    return status;
}
