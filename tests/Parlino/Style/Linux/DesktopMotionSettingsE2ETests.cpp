// Serves a fake settings portal on the session bus and checks that the motion preferences
// follow its animations switch. Skips without a session bus or when a real portal is running.
#include "Parlino/Style/Linux/DesktopMotionSettings.h"

#include "support/DesktopSession.h"
#include "support/EventLoop.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>

#include <gtest/gtest.h>

namespace {

using namespace Parlino;

const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
const QString path = QStringLiteral("/org/freedesktop/portal/desktop");
const QString interface = QStringLiteral("org.freedesktop.portal.Settings");

// The part of the settings portal the reader uses, on a connection of its own.
class FakePortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

public:
    FakePortal() : m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, "portal")) {}
    ~FakePortal() override {
        m_bus.unregisterService(service);
        QDBusConnection::disconnectFromBus("portal");
    }

    bool start() {
        return m_bus.isConnected() &&
               m_bus.registerObject(path, this, QDBusConnection::ExportAllSlots) &&
               m_bus.registerService(service);
    }

    void change(const QString& nameSpace, const QString& key, const QVariant& value) {
        QDBusMessage signal = QDBusMessage::createSignal(path, interface, "SettingChanged");
        signal << nameSpace << key << QVariant::fromValue(QDBusVariant(value));
        m_bus.send(signal);
    }

    QVariant animations = true;
    int reads = 0;

public slots:
    QDBusVariant ReadOne(const QString& nameSpace, const QString& key) {
        ++reads;
        if (nameSpace == "org.gnome.desktop.interface" && key == "enable-animations")
            return QDBusVariant(animations);
        return QDBusVariant(QString());
    }

private:
    QDBusConnection m_bus;
};

class DesktopMotionSettingsTest : public testing::Test {
protected:
    void SetUp() override {
        qunsetenv("PARLINO_REDUCE_MOTION");
        const auto bus = QDBusConnection::sessionBus();
        PARLINO_REQUIRE_SERVICE(bus.isConnected(), "no session bus");
        if (bus.interface()->isServiceRegistered(service))
            GTEST_SKIP() << "a settings portal is already running";
        ASSERT_TRUE(portal.start());
    }

    FakePortal portal;
    MotionPreferences preferences;
};

TEST_F(DesktopMotionSettingsTest, ReadsTheSwitchAtStartAndFollowsItsChanges) {
    portal.animations = false;
    DesktopMotionSettings settings(preferences);
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return preferences.reduceMotion(); }));
    EXPECT_EQ(portal.reads, 1);

    portal.change("org.gnome.desktop.interface", "cursor-size", 48);
    portal.change("org.gnome.desktop.a11y", "enable-animations", true);
    portal.change("org.gnome.desktop.interface", "enable-animations", true);
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return !preferences.reduceMotion(); }));

    portal.change("org.gnome.desktop.interface", "enable-animations", QString("no"));
    portal.change("org.gnome.desktop.interface", "enable-animations", false);
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return preferences.reduceMotion(); }));
}

TEST(DesktopMotionSettings, ReadsOnlyBooleansThroughAnyWrapping) {
    const QVariant off = false;
    const QVariant wrapped =
        QVariant::fromValue(QDBusVariant(QVariant::fromValue(QDBusVariant(off))));
    EXPECT_EQ(DesktopMotionSettings::reduceMotion(off), true);
    EXPECT_EQ(DesktopMotionSettings::reduceMotion(wrapped), true);
    EXPECT_EQ(DesktopMotionSettings::reduceMotion(QVariant(true)), false);
    EXPECT_EQ(DesktopMotionSettings::reduceMotion(QVariant(QStringLiteral("false"))), std::nullopt);
    EXPECT_EQ(DesktopMotionSettings::reduceMotion(QVariant()), std::nullopt);
}

} // namespace

#include "DesktopMotionSettingsE2ETests.moc"
