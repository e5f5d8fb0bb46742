// The real application's settings window as a new user meets it, on the desktop that
// scripts/ci-services.sh starts: opened from the tray, a key typed, checked by the stand-in
// service and saved, then removed, and the panes switched faster than their animations run. The
// pointer really rests on each button it clicks, so every hover and press animation is still
// running when the pane replaces the button.
#include "Playback/Linux/TestAudio.h"
#include "support/DesktopSession.h"
#include "support/EventLoop.h"
#include "support/FakeSpeechService.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atspi/atspi.h>

#include <cmath>
#include <functional>
#include <memory>
#include <optional>

// Xlib's macros (None, Bool) come after every C++ header.
#include "DesktopDriver.h"

using namespace DesktopDriver;
using TestSupport::pumpUntil;

namespace {

const QString typedKey = QStringLiteral("sk4e2e");

// The elements of a process's windows as assistive tools see them, over AT-SPI.
class Accessibility {
public:
    // Connected once for the process: the library cannot be connected again once left.
    Accessibility() {
        static const bool available = atspi_init() <= 1;
        m_available = available;
    }
    bool isAvailable() const { return m_available; }

    // Where the showing element of process `pid` whose name begins with `name` is on the screen.
    // With `focused`, only while it has the keyboard focus.
    std::optional<QRect> find(qint64 pid, const QString& name, bool focused = false) const {
        AtspiAccessible* desktop = atspi_get_desktop(0);
        std::optional<QRect> found;
        const gint apps = atspi_accessible_get_child_count(desktop, nullptr);
        for (gint i = 0; i < apps && !found; ++i) {
            AtspiAccessible* app = atspi_accessible_get_child_at_index(desktop, i, nullptr);
            if (app && atspi_accessible_get_process_id(app, nullptr) == guint(pid)) {
                // Windows come and go faster than the cached tree learns of them.
                atspi_accessible_clear_cache(app);
                found = search(app, name, focused);
            }
            if (app)
                g_object_unref(app);
        }
        g_object_unref(desktop);
        return found;
    }

    // What assistive tools learn of the showing element of process `pid` named exactly `name`:
    // its role, then "checked" and "selected" when it is, then its text when it has one, as
    // "push button checked" or "text: One two". Empty when no such element shows.
    QString describe(qint64 pid, const QString& name) const {
        QString description;
        visit(pid, [&](AtspiAccessible* node) {
            if (nameOf(node) != name)
                return false;
            gchar* role = atspi_accessible_get_role_name(node, nullptr);
            description = QString::fromUtf8(role ? role : "");
            g_free(role);
            for (const auto& [state, word] : {std::pair{ATSPI_STATE_CHECKED, "checked"},
                                              std::pair{ATSPI_STATE_SELECTED, "selected"}})
                if (hasState(node, state))
                    description += QLatin1Char(' ') + QLatin1String(word);
            if (AtspiText* text = atspi_accessible_get_text_iface(node)) {
                gchar* content = atspi_text_get_text(text, 0, -1, nullptr);
                description += QStringLiteral(": ") + QString::fromUtf8(content ? content : "");
                g_free(content);
                g_object_unref(text);
            }
            return true;
        });
        return description;
    }

    // Performs the first action of the showing element of process `pid` named exactly `name`, as
    // a screen reader's user does, or the action named `actionName`; whether there was one.
    bool press(qint64 pid, const QString& name, const QString& actionName = {}) const {
        bool pressed = false;
        withElement(pid, name, [&](AtspiAccessible* node) {
            AtspiAction* action = atspi_accessible_get_action_iface(node);
            const gint count = action ? atspi_action_get_n_actions(action, nullptr) : 0;
            for (gint i = 0; i < count && !pressed; ++i) {
                gchar* actionNamed = atspi_action_get_action_name(action, i, nullptr);
                if (actionName.isEmpty() || actionName == QString::fromUtf8(actionNamed))
                    pressed = atspi_action_do_action(action, i, nullptr);
                g_free(actionNamed);
                if (actionName.isEmpty())
                    break;
            }
            if (action)
                g_object_unref(action);
        });
        return pressed;
    }

    // The value of the showing element of process `pid` named exactly `name`, as an assistive
    // tool reads it; nothing when it has none.
    std::optional<double> value(qint64 pid, const QString& name) const {
        std::optional<double> current;
        withElement(pid, name, [&](AtspiAccessible* node) {
            if (AtspiValue* value = atspi_accessible_get_value_iface(node)) {
                current = atspi_value_get_current_value(value, nullptr);
                g_object_unref(value);
            }
        });
        return current;
    }
    // Sets that value as an assistive tool does; whether the element says it took it.
    bool setValue(qint64 pid, const QString& name, double wanted) const {
        bool taken = false;
        withElement(pid, name, [&](AtspiAccessible* node) {
            if (AtspiValue* value = atspi_accessible_get_value_iface(node)) {
                taken = atspi_value_set_current_value(value, wanted, nullptr);
                g_object_unref(value);
            }
        });
        return taken;
    }
    // Where the caret of the showing text element named exactly `name` stands; -1 without one.
    int caret(qint64 pid, const QString& name) const {
        int offset = -1;
        withElement(pid, name, [&](AtspiAccessible* node) {
            if (AtspiText* text = atspi_accessible_get_text_iface(node)) {
                offset = atspi_text_get_caret_offset(text, nullptr);
                g_object_unref(text);
            }
        });
        return offset;
    }

private:
    // Calls `use` on the first showing element of process `pid` named exactly `name`.
    static void withElement(qint64 pid, const QString& name,
                            const std::function<void(AtspiAccessible*)>& use) {
        visit(pid, [&](AtspiAccessible* node) {
            if (nameOf(node) != name)
                return false;
            use(node);
            return true;
        });
    }
    // Calls `found` on the showing elements of process `pid` until it returns true.
    static void visit(qint64 pid, const std::function<bool(AtspiAccessible*)>& found) {
        AtspiAccessible* desktop = atspi_get_desktop(0);
        const gint apps = atspi_accessible_get_child_count(desktop, nullptr);
        bool done = false;
        for (gint i = 0; i < apps && !done; ++i) {
            AtspiAccessible* app = atspi_accessible_get_child_at_index(desktop, i, nullptr);
            if (app && atspi_accessible_get_process_id(app, nullptr) == guint(pid)) {
                atspi_accessible_clear_cache(app);
                done = walk(app, found);
            }
            if (app)
                g_object_unref(app);
        }
        g_object_unref(desktop);
    }
    static bool walk(AtspiAccessible* node, const std::function<bool(AtspiAccessible*)>& found) {
        const gint children = atspi_accessible_get_child_count(node, nullptr);
        bool done = false;
        for (gint i = 0; i < children && !done; ++i) {
            AtspiAccessible* child = atspi_accessible_get_child_at_index(node, i, nullptr);
            if (!child)
                continue;
            if (hasState(child, ATSPI_STATE_SHOWING))
                done = found(child) || walk(child, found);
            g_object_unref(child);
        }
        return done;
    }
    static std::optional<QRect> search(AtspiAccessible* node, const QString& name, bool focused) {
        const gint children = atspi_accessible_get_child_count(node, nullptr);
        for (gint i = 0; i < children; ++i) {
            AtspiAccessible* child = atspi_accessible_get_child_at_index(node, i, nullptr);
            if (!child)
                continue;
            std::optional<QRect> found;
            if (hasState(child, ATSPI_STATE_SHOWING)) {
                if (!nameOf(child).startsWith(name))
                    found = search(child, name, focused);
                else if (!focused || hasState(child, ATSPI_STATE_FOCUSED))
                    found = extents(child);
            }
            g_object_unref(child);
            if (found)
                return found;
        }
        return std::nullopt;
    }
    static bool hasState(AtspiAccessible* node, AtspiStateType state) {
        AtspiStateSet* states = atspi_accessible_get_state_set(node);
        const bool has = states && atspi_state_set_contains(states, state);
        if (states)
            g_object_unref(states);
        return has;
    }
    static QString nameOf(AtspiAccessible* node) {
        gchar* name = atspi_accessible_get_name(node, nullptr);
        const QString text = QString::fromUtf8(name ? name : "");
        g_free(name);
        return text;
    }
    static std::optional<QRect> extents(AtspiAccessible* node) {
        AtspiComponent* component = atspi_accessible_get_component_iface(node);
        if (!component)
            return std::nullopt;
        AtspiRect* rect = atspi_component_get_extents(component, ATSPI_COORD_TYPE_SCREEN, nullptr);
        g_object_unref(component);
        if (!rect)
            return std::nullopt;
        const QRect result(rect->x, rect->y, rect->width, rect->height);
        g_free(rect);
        return result.isEmpty() ? std::nullopt : std::optional(result);
    }

    bool m_available = false;
};

// Waits until `done` holds, asking at most five times a second: each question walks the
// application's accessible tree or the keyring, which must stay free to do the work asked of them.
bool eventually(const std::function<bool()>& done, int timeoutMs = 10000) {
    QElapsedTimer sinceAsked;
    bool held = false;
    pumpUntil(
        [&] {
            if (!sinceAsked.isValid() || sinceAsked.elapsed() >= 200) {
                held = done();
                sinceAsked.start();
            }
            return held;
        },
        timeoutMs);
    return held;
}

class SetUpE2E : public ::testing::Test {
protected:
    void SetUp() override {
        PARLINO_REQUIRE_SERVICE(desktop.isOpen() && TestSupport::inDesktopSession(),
                                "no desktop session (scripts/ci-services.sh starts one)");
        PARLINO_REQUIRE_SERVICE(accessibility.isAvailable(), "no accessibility bus");
        ASSERT_TRUE(home.isValid());
        ASSERT_TRUE(clearKey()) << "a new user has no key yet";
        service.serveSpeech("audio", 1);
        QProcessEnvironment environment = applicationEnvironment(home, service.baseURL());
        ASSERT_FALSE(environment.isEmpty());
        environment.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
        app = std::make_unique<Program>(QStringLiteral(PARLINO_APP), QStringList(), environment);
        ASSERT_TRUE(app->waitForLine("tray: icon installed")) << log();
    }

    std::string log() const { return app->lines().join('\n').toStdString(); }

    // Waits for the application's element named `name` and clicks it with a gliding pointer,
    // or at once when `hurried`.
    bool click(const QString& name, bool hurried = false) {
        std::optional<QRect> where;
        if (!eventually(
                [&] { return (where = accessibility.find(app->processId(), name)).has_value(); }))
            return false;
        if (hurried)
            desktop.clickAt(where->center());
        else
            desktop.click(where->center());
        return true;
    }
    // Types the key into the API Key pane's field and saves it; the service checks it.
    void saveKey() {
        // The keys go where the focus is: into the field only once it has it.
        const QString field = QStringLiteral("ElevenLabs API key");
        ASSERT_TRUE(eventually(
            [&] {
                return click(field) &&
                       eventually(
                           [&] {
                               return accessibility.find(app->processId(), field, true).has_value();
                           },
                           2000);
            },
            15000));
        desktop.type(typedKey);
        // The button's name drops the mnemonic marker of "Validate & Save".
        ASSERT_TRUE(click(QStringLiteral("Validate")));
        EXPECT_TRUE(eventually([&] { return shows(QStringLiteral("Remove Key")); })) << log();
        EXPECT_TRUE(eventually([] { return storedKey() == typedKey; }));
    }
    // Selects the API Key pane in the sidebar, again should a click land while the window was
    // still being placed.
    bool selectAPIKeyPane() {
        return pumpUntil(
            [&] {
                return click(QStringLiteral("API Key")) &&
                       eventually([&] { return shows(QStringLiteral("ElevenLabs API key")); },
                                  2000);
            },
            15000);
    }
    bool shows(const QString& name) const {
        return accessibility.find(app->processId(), name).has_value();
    }

    Desktop desktop;
    Accessibility accessibility;
    QTemporaryDir home;
    TestSupport::FakeSpeechService service;
    std::unique_ptr<Program> app;
};

TEST_F(SetUpE2E, aKeyIsSavedAndRemovedInTheSettingsWindowAndHurriedPaneChangesKeepItRunning) {
    std::optional<QRect> tray;
    ASSERT_TRUE(pumpUntil([&] { return (tray = desktop.trayIcon()).has_value(); }));
    desktop.openMenuAt(tray->center());
    ASSERT_TRUE(pumpUntil([&] { return desktop.keyboardIsGrabbed(); }));
    // The tray's menu: "Open Parlino", then "Settings…".
    desktop.tap(XK_Down);
    desktop.tap(XK_Down);
    desktop.tap(XK_Return);
    ASSERT_TRUE(eventually([&] { return shows(QStringLiteral("API Key")); }));

    ASSERT_TRUE(selectAPIKeyPane());
    saveKey();
    ASSERT_TRUE(app->isRunning()) << log();

    // The first click arms the button, the second removes the key.
    ASSERT_TRUE(click(QStringLiteral("Remove Key")));
    ASSERT_TRUE(click(QStringLiteral("Press again to remove the key")));
    EXPECT_TRUE(eventually([&] { return shows(QStringLiteral("ElevenLabs API key")); }));
    EXPECT_TRUE(eventually([] { return storedKey().isEmpty(); }));
    ASSERT_TRUE(app->isRunning()) << log();

    for (const char* pane : {"Usage", "General", "Appearance", "Playback", "Usage", "General"})
        ASSERT_TRUE(click(QString::fromLatin1(pane), true)) << pane;
    ASSERT_TRUE(selectAPIKeyPane());
    // Saving once more shows that the application outlived every pane it left mid-motion.
    saveKey();
    EXPECT_TRUE(app->isRunning()) << log();
    EXPECT_TRUE(shows(QStringLiteral("API Key")));
}

} // namespace

TEST_F(SetUpE2E, AScreenReaderFollowsTheReadingPanelAndHearsWhichPageIsOpen) {
    ASSERT_TRUE(storeKey(typedKey));
    service.serveSpeech(TestAudio::speechMp3(), double(TestAudio::speechFrames()) / 44100);
    const QString text = QStringLiteral("Parlino reads this aloud.");
    ASSERT_TRUE(callApplication({"com.parlino.app.ReadWithParlino", text}));
    ASSERT_TRUE(callApplication({"com.parlino.app.OpenPanel"}));
    const qint64 pid = app->processId();
    const auto describes = [&](const QString& name, const QString& description) {
        return eventually([&] { return accessibility.describe(pid, name) == description; });
    };
    // The transcript is text a reader reads out; the icon buttons say what they do.
    EXPECT_TRUE(describes(QStringLiteral("Transcript"), QStringLiteral("text: ") + text)) << log();
    EXPECT_TRUE(eventually([&] {
        return accessibility.find(pid, QStringLiteral("Pause")) ||
               accessibility.find(pid, QStringLiteral("Play"));
    }));
    EXPECT_TRUE(describes(QStringLiteral("Playback position"), QStringLiteral("slider")));
    EXPECT_TRUE(describes(QStringLiteral("Close"), QStringLiteral("push button")));

    // The page buttons say which page is open, and so does the settings page's sidebar; a
    // screen reader's user presses them through their actions.
    const auto press = [&](const QString& name) {
        return eventually([&] { return accessibility.press(pid, name); });
    };
    ASSERT_TRUE(press(QStringLiteral("Pin panel open")));
    EXPECT_TRUE(describes(QStringLiteral("Settings"), QStringLiteral("check box")));
    ASSERT_TRUE(press(QStringLiteral("Settings")));
    EXPECT_TRUE(describes(QStringLiteral("Settings"), QStringLiteral("check box checked")));
    EXPECT_TRUE(describes(QStringLiteral("General"), QStringLiteral("page tab selected")));
    ASSERT_TRUE(press(QStringLiteral("Playback")));
    EXPECT_TRUE(describes(QStringLiteral("Playback"), QStringLiteral("page tab selected")));
    EXPECT_TRUE(describes(QStringLiteral("General"), QStringLiteral("page tab")));
    EXPECT_TRUE(describes(QStringLiteral("Increase confirmation threshold"),
                          QStringLiteral("push button")));
    EXPECT_TRUE(app->isRunning()) << log();
}

TEST_F(SetUpE2E, AnAssistiveToolSeeksWithThePositionSliderAndFindsTheWordThere) {
    ASSERT_TRUE(storeKey(typedKey));
    service.serveSpeech(TestAudio::speechMp3(), double(TestAudio::speechFrames()) / 44100);
    const QString text = QStringLiteral("One two three four five six seven eight nine ten.");
    ASSERT_TRUE(callApplication({"com.parlino.app.ReadWithParlino", text}));
    ASSERT_TRUE(callApplication({"com.parlino.app.OpenPanel"}));
    ASSERT_TRUE(app->waitForLine("setState loading -> playing", 20000)) << log();
    const qint64 pid = app->processId();
    ASSERT_TRUE(eventually([&] { return accessibility.press(pid, QStringLiteral("Pause")); }));
    ASSERT_TRUE(eventually([&] { return shows(QStringLiteral("Play")); }));

    const QString slider = QStringLiteral("Playback position");
    const QString transcript = QStringLiteral("Transcript");
    const int caretBefore = accessibility.caret(pid, transcript);
    EXPECT_TRUE(accessibility.setValue(pid, slider, 50));
    EXPECT_TRUE(eventually([&] { return accessibility.value(pid, slider) == 50; }))
        << accessibility.value(pid, slider).value_or(-1);
    // The caret stands at the start of the word spoken halfway, a word in the middle.
    const int caret = accessibility.caret(pid, transcript);
    EXPECT_GT(caret, caretBefore);
    EXPECT_GT(caret, text.indexOf(QStringLiteral("three")));
    EXPECT_LT(caret, text.indexOf(QStringLiteral("nine")));
    EXPECT_EQ(text.at(caret - 1), QLatin1Char(' '));

    // A step is one percent of the read; the short test speech places a seek to within a few.
    const auto stepsTo = [&](const char* action, auto isFurther) {
        const double before = accessibility.value(pid, slider).value_or(-1);
        EXPECT_TRUE(accessibility.press(pid, slider, QString::fromLatin1(action)));
        EXPECT_TRUE(eventually([&] {
            const double after = accessibility.value(pid, slider).value_or(-1);
            return isFurther(after, before) && std::abs(after - before) <= 5;
        })) << action
            << ": " << before << " → " << accessibility.value(pid, slider).value_or(-1);
    };
    stepsTo("Increase", std::greater<double>());
    stepsTo("Decrease", std::less<double>());
    EXPECT_TRUE(shows(QStringLiteral("Play"))) << "seeking keeps a paused read paused";
    EXPECT_TRUE(app->isRunning()) << log();
}
