// Captures from a real Qt application on the desktop that scripts/ci-services.sh starts.
#include "Base/Clock.h"
#include "Base/Scheduler.h"
#include "Base/Sleeper.h"
#include "Capture/AXCaptureStrategy.h"
#include "Capture/CaptureCoordinator.h"
#include "Capture/ClipboardCaptureStrategy.h"
#include "Capture/Linux/SystemAXClient.h"
#include "Capture/Linux/SystemKeyPoster.h"
#include "Capture/Linux/SystemPasteboard.h"
#include "Capture/Linux/Terminals.h"
#include "Capture/Linux/X11PrimarySelection.h"
#include "Capture/Linux/X11Workspace.h"
#include "support/EventLoop.h"
#include "support/StartedPrograms.h"

#include <QClipboard>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QMimeData>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <future>
#include <sstream>
#include <string>
#include <thread>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace Capture;
using TestSupport::pumpUntil;

namespace {

const QString selectedPart = QStringLiteral("reads this sentence");

// The test application, with its output read as it comes.
class Holder {
public:
    struct Options {
        QStringList arguments;
        bool accessible = true;
    };

    explicit Holder(Options options) {
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "xcb");
        if (options.accessible)
            environment.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
        else
            environment.remove("QT_LINUX_ACCESSIBILITY_ALWAYS_ON");
        m_process.setProcessEnvironment(environment);
        TestSupport::endWithTheTest(m_process);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput, [this] {
            while (m_process.canReadLine()) {
                m_lines << QString::fromUtf8(m_process.readLine()).trimmed();
            }
        });
        m_process.start(QStringLiteral(PARLINO_SELECTION_HOLDER), options.arguments);
    }
    ~Holder() {
        m_process.kill();
        m_process.waitForFinished();
    }

    qint32 pid() const { return static_cast<qint32>(m_process.processId()); }

    // The field's rectangle on screen once the window is active.
    std::optional<QRect> waitUntilReady() {
        if (!pumpUntil([&] { return readyLine() >= 0; }, 10000))
            return std::nullopt;
        const QStringList parts = m_lines.at(readyLine()).split(' ');
        return QRect(parts[1].toInt(), parts[2].toInt(), parts[3].toInt(), parts[4].toInt());
    }
    QStringList keys() const { return m_lines.filter(QRegularExpression("^key ")); }
    void quit() {
        m_process.terminate();
        m_process.waitForFinished();
    }

private:
    qsizetype readyLine() const { return m_lines.indexOf(QRegularExpression("ready .*")); }

    QProcess m_process;
    QStringList m_lines;
};

// Sends exact key events through xdotool (XTest), as a user's keyboard would.
void xdotool(const QStringList& arguments) {
    ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"), arguments), 0);
}

class CaptureLinuxE2E : public ::testing::Test {
protected:
    void SetUp() override {
        workspace = X11Workspace::open();
        ASSERT_TRUE(workspace) << "no X display";
    }

    bool waitUntilFrontmost(const Holder& holder) {
        return pumpUntil([&] { return workspace->frontmostApp().pid == holder.pid(); }, 5000);
    }

    // Captures through a coordinator over `strategy`, again while the application is still
    // publishing its accessibility tree (it does so shortly after its window shows).
    CaptureResult captureWith(std::shared_ptr<CaptureStrategy> strategy) {
        const CaptureCoordinator coordinator(
            {std::move(strategy)}, [this] { return workspace->frontmostApp(); },
            [] { return QSet<QString>(); }, QStringLiteral("com.parlino.app"),
            [] { return std::optional<Core::FrontmostApp>(); }, 1.0, 1, scheduler);
        const QDeadlineTimer deadline(10000);
        for (;;) {
            std::optional<CaptureResult> result;
            coordinator.capture(CaptureMode::full, [&](CaptureResult r) { result = std::move(r); });
            pumpUntil([&] { return result.has_value(); });
            if (*result || result->error() != Core::CaptureError::nothingSelected() ||
                deadline.hasExpired())
                return *result;
            pumpUntil([] { return false; }, 100);
        }
    }

    static std::shared_ptr<AXCaptureStrategy> accessibilityStrategy() {
        return std::make_shared<AXCaptureStrategy>(
            std::make_shared<SystemAXClient>(),
            X11PrimarySelection::open(Base::SteadyClock::shared(), 0.4),
            Base::SteadyClock::shared(), Base::SteadySleeper::shared());
    }

    // Reads PRIMARY from an IncrementalOwner of `total` bytes that announces `announced`.
    static OfferedText readFromIncrementalOwner(X11PrimarySelection& primarySelection,
                                                X11Connection& x11, unsigned long total,
                                                unsigned long announced);

    std::unique_ptr<X11Workspace> workspace;
    Base::QtScheduler scheduler;
};

TEST_F(CaptureLinuxE2E, readsTheSelectionAndItsBoundsThroughAccessibility) {
    Holder holder({});
    const auto field = holder.waitUntilReady();
    ASSERT_TRUE(field);
    ASSERT_TRUE(waitUntilFrontmost(holder));

    const auto result = captureWith(accessibilityStrategy());

    ASSERT_TRUE(result) << int(result.error().kind());
    EXPECT_EQ(result->text, selectedPart);
    EXPECT_EQ(result->sourceApp.pid, holder.pid());
    EXPECT_EQ(result->sourceApp.bundleID, QStringLiteral("SelectionHolder"));
    ASSERT_TRUE(result->selectionBounds);
    const QRectF bounds = *result->selectionBounds;
    EXPECT_GT(bounds.width(), 0);
    EXPECT_TRUE(QRectF(*field).contains(bounds.center()))
        << "bounds " << bounds.x() << "," << bounds.y() << " field " << field->x() << ","
        << field->y();
}

TEST_F(CaptureLinuxE2E, readsTheFocusedFieldOfOneApplicationByItsProcess) {
    Holder holder({});
    ASSERT_TRUE(holder.waitUntilReady());
    SystemAXClient client;
    std::optional<QString> selected;

    pumpUntil(
        [&] {
            const auto snapshot = client.focusSnapshot(AXFocusScope::application(holder.pid()),
                                                       AXCaptureStrategy::messagingTimeout);
            selected = snapshot ? snapshot->selectedText : std::nullopt;
            return selected.has_value();
        },
        10000);

    EXPECT_EQ(selected, selectedPart);
    const auto other = client.focusSnapshot(AXFocusScope::application(holder.pid() + 100000),
                                            AXCaptureStrategy::messagingTimeout);
    ASSERT_TRUE(other);
    EXPECT_FALSE(other->selectedText);
}

TEST_F(CaptureLinuxE2E, refusesAPasswordField) {
    Holder holder({{"--password", "--select", "0", "--length", "8"}});
    ASSERT_TRUE(holder.waitUntilReady());
    ASSERT_TRUE(waitUntilFrontmost(holder));

    const auto result = captureWith(accessibilityStrategy());

    ASSERT_FALSE(result);
    EXPECT_EQ(result.error(), Core::CaptureError::secureField());
}

class ClipboardCaptureE2E : public CaptureLinuxE2E {
protected:
    void SetUp() override {
        CaptureLinuxE2E::SetUp();
        keyPoster = SystemKeyPoster::open();
        primarySelection = X11PrimarySelection::open(Base::SteadyClock::shared(), 0.4);
        ASSERT_TRUE(keyPoster && primarySelection);
        auto clipboardReader =
            X11SelectionReader::open("CLIPBOARD", Base::SteadyClock::shared(), 0.4);
        ASSERT_TRUE(clipboardReader);
        pasteboard = std::make_shared<SystemPasteboard>(std::move(clipboardReader));
        gate = std::make_shared<PasteboardGate>(pasteboard, Base::SteadyClock::shared(),
                                                Base::SteadySleeper::shared(), 0.1);
    }

    // The user's own clipboard: text with a rich-text form.
    void copyUsersData() {
        auto* data = new QMimeData;
        data->setText(QStringLiteral("the user's words"));
        data->setHtml(QStringLiteral("<b>the user's words</b>"));
        QGuiApplication::clipboard()->setMimeData(data);
    }

    // Runs the strategy on a worker thread, as captures run, while this thread serves the
    // clipboard.
    StrategyResult captureByCopy(qint32 pid) {
        ClipboardCaptureStrategy strategy(
            primarySelection, gate, keyPoster,
            std::make_shared<TerminalDetector>(
                [](const Core::FrontmostApp& app) { return Terminals::isTerminal(app); },
                std::make_shared<SystemAXClient>()),
            0.005, 0.4, 0.6, [] { return false; }, Base::SteadyClock::shared(),
            Base::SteadySleeper::shared());
        auto running = std::async(std::launch::async, [&] {
            return strategy.capture({workspace->frontmostApp(), true}, {});
        });
        pumpUntil(
            [&] { return running.wait_for(std::chrono::seconds(0)) == std::future_status::ready; });
        EXPECT_EQ(workspace->frontmostApp().pid, pid);
        return running.get();
    }

    // Copies through the gate from an IncrementalOwner of `total` bytes that announces
    // `announced`, taking CLIPBOARD in place of the copy keystroke, while this thread serves the
    // clipboard and keeps answering; prints how long the copy took and how long this thread was
    // kept waiting at most.
    PasteboardGate::CopyResult copyFromIncrementalOwner(unsigned long total,
                                                        unsigned long announced);

    std::shared_ptr<SystemKeyPoster> keyPoster;
    std::shared_ptr<X11PrimarySelection> primarySelection;
    std::shared_ptr<SystemPasteboard> pasteboard;
    std::shared_ptr<PasteboardGate> gate;
};

TEST_F(ClipboardCaptureE2E, copiesTheSelectionAndPutsTheUsersClipboardBack) {
    Holder holder({{}, false});
    ASSERT_TRUE(holder.waitUntilReady());
    ASSERT_TRUE(waitUntilFrontmost(holder));
    copyUsersData();

    const auto result = captureByCopy(holder.pid());

    ASSERT_TRUE(result && *result) << holder.keys().join('|').toStdString();
    EXPECT_EQ((*result)->text, selectedPart);
    EXPECT_FALSE((*result)->selectionBounds);
    EXPECT_TRUE(holder.keys().contains(QStringLiteral("key Ctrl+C")))
        << holder.keys().join('|').toStdString();
    const QMimeData* restored = QGuiApplication::clipboard()->mimeData();
    EXPECT_EQ(restored->text(), QStringLiteral("the user's words"));
    EXPECT_EQ(restored->html(), QStringLiteral("<b>the user's words</b>"));
    EXPECT_TRUE(restored->hasFormat(SystemPasteboard::transientType));
}

TEST_F(ClipboardCaptureE2E, neverSendsTheCopyKeystrokeToATerminal) {
    Holder holder({{"--class", "XTerm"}, false});
    ASSERT_TRUE(holder.waitUntilReady());
    ASSERT_TRUE(waitUntilFrontmost(holder));
    copyUsersData();

    const auto result = captureByCopy(holder.pid());

    ASSERT_TRUE(result) << "the clipboard strategy never fails";
    // Keys arrive in order: once a later key has arrived, a copy keystroke would have too.
    xdotool({"key", "F5"});
    ASSERT_TRUE(pumpUntil([&] { return !holder.keys().isEmpty(); }));
    EXPECT_EQ(holder.keys().first(), QStringLiteral("key F5"));
    EXPECT_FALSE(holder.keys().join(' ').contains(QStringLiteral("Ctrl")));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("the user's words"));
}

// With no active window the keys would go to whatever holds the input focus, which may be a
// terminal: after a click on the desktop, and after the active window closed (the window manager
// may go on naming it as active).
TEST_F(ClipboardCaptureE2E, sendsNoCopyKeystrokeWithoutAnActiveWindow) {
    {
        Holder holder({{}, false});
        ASSERT_TRUE(waitUntilFrontmost(holder));
        EXPECT_FALSE(keyPoster->refusesCopy());
    }
    EXPECT_TRUE(keyPoster->refusesCopy());
    EXPECT_FALSE(keyPoster->postCopy());

    // The window manager says that no window is active, as openbox does after a click on the
    // desktop, while the application keeps the input focus.
    Holder holder({{}, false});
    ASSERT_TRUE(waitUntilFrontmost(holder));
    const auto x11 = X11Connection::open();
    x11->withDisplay([](Display* display) {
        const unsigned long none = None;
        XChangeProperty(display, DefaultRootWindow(display),
                        XInternAtom(display, "_NET_ACTIVE_WINDOW", False), XA_WINDOW, 32,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(&none), 1);
        return XSync(display, False);
    });
    ASSERT_FALSE(x11->activeWindow());
    EXPECT_TRUE(keyPoster->refusesCopy());
    EXPECT_FALSE(keyPoster->postCopy());
    EXPECT_TRUE(holder.keys().isEmpty()) << holder.keys().join('|').toStdString();
}

TEST_F(ClipboardCaptureE2E, waitsForTheModifiersToBeReleased) {
    xdotool({"keydown", "shift"});
    const bool whileHeld = keyPoster->modifiersReleased();
    xdotool({"keyup", "shift"});

    EXPECT_FALSE(whileHeld);
    EXPECT_TRUE(keyPoster->modifiersReleased());
}

TEST_F(CaptureLinuxE2E, reportsActivationsAndEndsOfApplications) {
    std::vector<Core::FrontmostApp> activated;
    std::vector<qint32> terminated;
    QObject::connect(workspace.get(), &X11Workspace::activated,
                     [&](const Core::FrontmostApp& app) { activated.push_back(app); });
    QObject::connect(workspace.get(), &X11Workspace::terminated,
                     [&](qint32 pid) { terminated.push_back(pid); });
    Holder holder({{"--class", "KeePassXC"}, false});
    ASSERT_TRUE(holder.waitUntilReady());
    const qint32 pid = holder.pid();

    ASSERT_TRUE(pumpUntil([&] { return !activated.empty(); }));
    const Core::FrontmostApp app = activated.back();
    EXPECT_EQ(app.pid, pid);
    EXPECT_EQ(app.bundleID, QStringLiteral("org.keepassxc.keepassxc"));
    EXPECT_EQ(workspace->frontmostApp(), app);
    EXPECT_TRUE(workspace->isRunning(app));

    holder.quit();
    ASSERT_TRUE(pumpUntil([&] { return !terminated.empty(); }));
    EXPECT_EQ(terminated, std::vector<qint32>{pid});
    EXPECT_FALSE(workspace->isRunning(app));
}

} // namespace

namespace {

// Whose a selection's owner window is, as far as the window tells: nobody's, or its class and
// process.
std::string describeOwner(X11Connection& x11, Window window) {
    if (window == None)
        return "nobody's";
    const auto clientClass = x11.windowClass(window);
    const auto pid = x11.windowPid(window);
    std::ostringstream description;
    description << "window " << std::hex << window << std::dec << " of class "
                << (clientClass ? clientClass->className.toStdString() : "-") << ", process "
                << (pid ? std::to_string(*pid) : "-");
    return description.str();
}

// The next event of a selection owner's connection; false once `stop` is requested.
bool nextOwnerEvent(Display* display, XEvent& event, std::stop_token stop) {
    while (!stop.stop_requested()) {
        if (XPending(display) > 0) {
            XNextEvent(display, &event);
            return true;
        }
        pollfd descriptor{ConnectionNumber(display), POLLIN, 0};
        poll(&descriptor, 1, 10);
    }
    return false;
}

} // namespace

// Owns a selection (PRIMARY, CLIPBOARD) through a window of its own connection and hands any
// requestor `total` bytes by the incremental transfer, a piece each time the requestor takes the
// last one, as a hostile or broken application could; it announces `announced` bytes. Counts what
// it handed over.
class IncrementalOwner {
public:
    static constexpr unsigned long hostileTotal = 200ul * 1024 * 1024;
    static constexpr int pieceBytes = 256 * 1024;

    IncrementalOwner(const char* selection, unsigned long total, unsigned long announced)
        : m_total(total), m_announced(announced), m_x11(X11Connection::open()),
          // Only this owner uses the connection; its X errors are ignored, as the requestor may
          // have gone.
          m_display(m_x11->withDisplay([](Display* display) { return display; })) {
        const Window root = DefaultRootWindow(m_display);
        m_window = XCreateSimpleWindow(m_display, root, 0, 0, 50, 50, 0, 0, 0);
        const long pid = getpid();
        XChangeProperty(m_display, m_window, XInternAtom(m_display, "_NET_WM_PID", False),
                        XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&pid), 1);
        XMapWindow(m_display, m_window);
        XSetSelectionOwner(m_display, XInternAtom(m_display, selection, False), m_window,
                           CurrentTime);
        // Owned once the server has taken the request, before any reader asks: the server may
        // have answered other clients (the window manager that lists the window among them)
        // between the window's mapping and this request.
        XSync(m_display, False);
        m_thread = std::jthread([this](std::stop_token stop) { serve(stop); });
    }
    ~IncrementalOwner() {
        m_thread = {};
        XDestroyWindow(m_display, m_window);
    }

    std::size_t handed() const { return m_handed; }
    unsigned long window() const { return m_window; }

private:
    void serve(std::stop_token stop) {
        const Atom incremental = XInternAtom(m_display, "INCR", False);
        const Atom utf8 = XInternAtom(m_display, "UTF8_STRING", False);
        const std::string piece(pieceBytes, 'x');
        Window requestor = None;
        Atom property = None;
        XEvent event;
        while (nextOwnerEvent(m_display, event, stop)) {
            if (event.type == SelectionRequest) {
                const XSelectionRequestEvent& request = event.xselectionrequest;
                requestor = request.requestor;
                property = request.property;
                XSelectInput(m_display, requestor, PropertyChangeMask);
                const long size = long(m_announced);
                XChangeProperty(m_display, requestor, property, incremental, 32, PropModeReplace,
                                reinterpret_cast<const unsigned char*>(&size), 1);
                XEvent answer{};
                answer.xselection = {SelectionNotify, 0,         True,
                                     m_display,       requestor, request.selection,
                                     request.target,  property,  request.time};
                XSendEvent(m_display, requestor, False, 0, &answer);
                XFlush(m_display);
            } else if (event.type == PropertyNotify && event.xproperty.window == requestor &&
                       event.xproperty.atom == property &&
                       event.xproperty.state == PropertyDelete && requestor != None) {
                // An empty piece ends the transfer.
                const int length = m_handed < m_total ? pieceBytes : 0;
                XChangeProperty(m_display, requestor, property, utf8, 8, PropModeReplace,
                                reinterpret_cast<const unsigned char*>(piece.data()), length);
                XFlush(m_display);
                m_handed += length;
                if (length == 0)
                    requestor = None;
            }
        }
    }

    const unsigned long m_total;
    const unsigned long m_announced;
    const std::unique_ptr<X11Connection> m_x11;
    Display* const m_display;
    Window m_window = None;
    std::atomic<std::size_t> m_handed = 0;
    std::jthread m_thread;
};

// A selection larger than any capture takes is refused as soon as its size shows, and a transfer
// that hides its size is stopped once the limit is passed: the owner is not drained.
TEST_F(CaptureLinuxE2E, stopsAnIncrementalTransferPastTheLimit) {
    const auto primarySelection = X11PrimarySelection::open(Base::SteadyClock::shared(), 0.4);
    auto x11 = X11Connection::open();
    ASSERT_TRUE(primarySelection && x11);
    constexpr unsigned long total = IncrementalOwner::hostileTotal;
    for (const unsigned long announced : {total, 0ul}) {
        const OfferedText read =
            readFromIncrementalOwner(*primarySelection, *x11, total, announced);
        ASSERT_FALSE(read);
        EXPECT_EQ(read.error(), Core::CaptureError::selectionTooLarge());
    }
    // Nothing of the refused transfers is left to spoil the next one, of a size within the limit.
    constexpr unsigned long fits = 4 * IncrementalOwner::pieceBytes;
    const OfferedText read = readFromIncrementalOwner(*primarySelection, *x11, fits, 0);
    ASSERT_TRUE(read && *read);
    EXPECT_EQ((*read)->size(), qsizetype(fits));
}

OfferedText CaptureLinuxE2E::readFromIncrementalOwner(X11PrimarySelection& primarySelection,
                                                      X11Connection& x11, unsigned long total,
                                                      unsigned long announced) {
    IncrementalOwner owner("PRIMARY", total, announced);
    const qint32 pid = getpid();
    // Owned by one of the process's windows once the window manager lists it.
    EXPECT_TRUE(pumpUntil(
        [&] {
            const auto windows = x11.clientWindows();
            return std::find(windows.begin(), windows.end(), owner.window()) != windows.end();
        },
        30000));
    const Window primaryOwner =
        x11.withDisplay([](Display* display) { return XGetSelectionOwner(display, XA_PRIMARY); });
    EXPECT_EQ(primaryOwner, owner.window())
        << "PRIMARY is not the owner's but " << describeOwner(x11, primaryOwner);
    const CaptureTarget target{{QStringLiteral("Owner"), QStringLiteral("owner"), pid}, false};

    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    QElapsedTimer timer;
    timer.start();
    const OfferedText read = primarySelection.read(target, std::stop_source().get_token());
    const double milliseconds = timer.nsecsElapsed() / 1e6;
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    // The transfer stopped at the limit: the owner was not drained.
    EXPECT_LE(owner.handed(), std::min<std::size_t>(total, Core::CaptureError::maxSelectionBytes +
                                                               IncrementalOwner::pieceBytes));
    std::printf("INCR owner of %lu MB announcing %lu MB: %s after %zu bytes in %.1f ms, peak "
                "memory %ld -> %ld MB\n",
                total >> 20, announced >> 20, read ? "read" : "refused", owner.handed(),
                milliseconds, before.ru_maxrss >> 10, after.ru_maxrss >> 10);
    return read;
}

// A copy larger than any capture takes is refused as soon as its size shows, and one that hides
// its size is stopped once the limit is passed, without the main thread: the owner is not drained
// and the user's clipboard is put back. A copy within the limit is still read whole.
TEST_F(ClipboardCaptureE2E, stopsAnIncrementalCopyPastTheLimit) {
    constexpr unsigned long total = IncrementalOwner::hostileTotal;
    for (const unsigned long announced : {total, 0ul}) {
        copyUsersData();
        const auto copied = copyFromIncrementalOwner(total, announced);
        ASSERT_TRUE(copied);
        ASSERT_FALSE(*copied);
        EXPECT_EQ(copied->error(), Core::CaptureError::selectionTooLarge());
        EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("the user's words"));
    }
    {
        const IncrementalOwner owner("CLIPBOARD", total, 0);
        // This thread turns to no event while the copy is read.
        auto reading = std::async(std::launch::async, [&] { return pasteboard->readString({}); });
        const bool readAlone =
            reading.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
        // Lets a hop to this thread run, should there be one.
        pumpUntil(
            [&] { return reading.wait_for(std::chrono::seconds(0)) == std::future_status::ready; });
        EXPECT_TRUE(readAlone) << "the read needed the main thread";
        const OfferedText read = reading.get();
        ASSERT_FALSE(read);
        EXPECT_EQ(read.error(), Core::CaptureError::selectionTooLarge());
    }
    constexpr unsigned long fits = 4 * IncrementalOwner::pieceBytes;
    const auto copied = copyFromIncrementalOwner(fits, 0);
    ASSERT_TRUE(copied && *copied && **copied);
    EXPECT_EQ(***copied, QString(fits, QLatin1Char('x')));
}

PasteboardGate::CopyResult ClipboardCaptureE2E::copyFromIncrementalOwner(unsigned long total,
                                                                         unsigned long announced) {
    std::optional<IncrementalOwner> owner;
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    QElapsedTimer timer;
    timer.start();
    auto copying = std::async(std::launch::async, [&] {
        return gate->copy(0.005, 0.4,
                          [&] {
                              owner.emplace("CLIPBOARD", total, announced);
                              return true;
                          },
                          {});
    });
    // The longest this thread went without turning to its events.
    qint64 longestWait = 0;
    qint64 lastTurn = timer.elapsed();
    pumpUntil([&] {
        longestWait = std::max(longestWait, timer.elapsed() - lastTurn);
        lastTurn = timer.elapsed();
        return copying.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
    });
    const double milliseconds = timer.nsecsElapsed() / 1e6;
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    // The transfer stopped at the limit: the owner was not drained.
    EXPECT_TRUE(owner);
    if (owner) {
        EXPECT_LE(owner->handed(),
                  std::min<std::size_t>(total, Core::CaptureError::maxSelectionBytes +
                                                   IncrementalOwner::pieceBytes));
    }
    std::printf("CLIPBOARD INCR owner of %lu MB announcing %lu MB: copy over in %.1f ms after %zu "
                "bytes, main thread waited at most %lld ms, peak memory %ld -> %ld MB\n",
                total >> 20, announced >> 20, milliseconds, owner ? owner->handed() : 0,
                static_cast<long long>(longestWait), before.ru_maxrss >> 10, after.ru_maxrss >> 10);
    return copying.get();
}

namespace {

// Owns PRIMARY through a window of its own connection, taken at the server's time of now, and
// answers only the TIMESTAMP target: with a time `claimedAge` milliseconds before the one it took
// it at, or, without a claimed age, with a refusal.
class TimestampOwner {
public:
    explicit TimestampOwner(std::optional<long> claimedAge)
        : m_x11(X11Connection::open()),
          m_display(m_x11->withDisplay([](Display* display) { return display; })) {
        m_window =
            XCreateSimpleWindow(m_display, DefaultRootWindow(m_display), 0, 0, 1, 1, 0, 0, 0);
        XSelectInput(m_display, m_window, PropertyChangeMask);
        // The server's time: that of a change to a property of the window.
        XChangeProperty(m_display, m_window, XA_WM_NAME, XA_STRING, 8, PropModeAppend, nullptr, 0);
        XEvent event;
        XWindowEvent(m_display, m_window, PropertyChangeMask, &event);
        XSetSelectionOwner(m_display, XA_PRIMARY, m_window, event.xproperty.time);
        // Owned once the server has taken the request, before any reader asks.
        XSync(m_display, False);
        if (claimedAge)
            m_claimed = event.xproperty.time - *claimedAge;
        m_thread = std::jthread([this](std::stop_token stop) { serve(stop); });
    }
    ~TimestampOwner() {
        m_thread = {};
        XDestroyWindow(m_display, m_window);
        XSync(m_display, False);
    }

private:
    void serve(std::stop_token stop) {
        const Atom timestamp = XInternAtom(m_display, "TIMESTAMP", False);
        XEvent event;
        while (nextOwnerEvent(m_display, event, stop)) {
            if (event.type != SelectionRequest)
                continue;
            const XSelectionRequestEvent& request = event.xselectionrequest;
            Atom property = None;
            if (request.target == timestamp && m_claimed) {
                property = request.property;
                const long claimed = long(*m_claimed);
                XChangeProperty(m_display, request.requestor, property, XA_INTEGER, 32,
                                PropModeReplace, reinterpret_cast<const unsigned char*>(&claimed),
                                1);
            }
            XEvent answer{};
            answer.xselection = {SelectionNotify,
                                 0,
                                 True,
                                 m_display,
                                 request.requestor,
                                 request.selection,
                                 request.target,
                                 property,
                                 request.time};
            XSendEvent(m_display, request.requestor, False, 0, &answer);
            XFlush(m_display);
        }
    }

    const std::unique_ptr<X11Connection> m_x11;
    Display* const m_display;
    Window m_window = None;
    std::optional<Time> m_claimed;
    std::jthread m_thread;
};

} // namespace

// How long ago the owner of a selection took it, by its own word, against the server's time: a
// browser offers a selection before its page shows it accessibly.
TEST_F(CaptureLinuxE2E, tellsHowLongAgoTheOwnerTookTheSelection) {
    const auto reader = X11SelectionReader::open("PRIMARY", Base::SteadyClock::shared(), 0.4);
    ASSERT_TRUE(reader);
    const auto anyOwner = [](X11Connection&, unsigned long) { return true; };
    {
        const TimestampOwner owner(2000);
        const auto age = reader->age(anyOwner, {});
        ASSERT_TRUE(age);
        EXPECT_GE(*age, 2.0);
        EXPECT_LT(*age, 3.0);
        EXPECT_FALSE(reader->age([](X11Connection&, unsigned long) { return false; }, {}))
            << "an owner that is not the target's";
    }
    {
        // A time after the server's: taken no earlier than now.
        const TimestampOwner owner(-5000);
        EXPECT_EQ(reader->age(anyOwner, {}), 0.0);
    }
    {
        const TimestampOwner owner(std::nullopt);
        QElapsedTimer timer;
        timer.start();
        EXPECT_FALSE(reader->age(anyOwner, {}));
        EXPECT_LT(timer.elapsed(), 300) << "a refusal is an answer";
    }
    EXPECT_FALSE(reader->age(anyOwner, {})) << "nobody owns the selection";
}
