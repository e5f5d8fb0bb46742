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
#include "Capture/Linux/X11PrimarySelection.h"
#include "Capture/Linux/X11Workspace.h"
#include "support/EventLoop.h"

#include <QClipboard>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QMimeData>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <future>

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

    std::unique_ptr<X11Workspace> workspace;
    Base::QtScheduler scheduler;
};

TEST_F(CaptureLinuxE2E, readsTheSelectionAndItsBoundsThroughAccessibility) {
    Holder holder({});
    const auto field = holder.waitUntilReady();
    ASSERT_TRUE(field);
    ASSERT_TRUE(waitUntilFrontmost(holder));

    const auto result =
        captureWith(std::make_shared<AXCaptureStrategy>(std::make_shared<SystemAXClient>()));

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

    const auto result =
        captureWith(std::make_shared<AXCaptureStrategy>(std::make_shared<SystemAXClient>()));

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
        pasteboard = std::make_shared<SystemPasteboard>();
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
            primarySelection, gate, keyPoster, 0.005, 0.4, 0.6, [] { return false; },
            Base::SteadyClock::shared(), Base::SteadySleeper::shared());
        auto running = std::async(std::launch::async, [&] {
            return strategy.capture({workspace->frontmostApp(), true}, {});
        });
        pumpUntil(
            [&] { return running.wait_for(std::chrono::seconds(0)) == std::future_status::ready; });
        EXPECT_EQ(workspace->frontmostApp().pid, pid);
        return running.get();
    }

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
