#include "Parlino/Settings/Linux/DesktopAccessibilitySettings.h"

#include "support/LogCapture.h"

#include <QSet>

#include <gtest/gtest.h>

using namespace Parlino;
using Command = DesktopAccessibilitySettings::Command;

namespace {

struct AccessibilitySettingsTest : ::testing::Test {
    DesktopAccessibilitySettings settings(const QString& desktop) {
        return DesktopAccessibilitySettings(
            desktop,
            [this](const QString& name) {
                return installed.contains(name) ? QStringLiteral("/usr/bin/") + name : QString();
            },
            [this](const QString& program, const QStringList& arguments) {
                launched.append({program, arguments});
                return true;
            });
    }

    QSet<QString> installed;
    QList<Command> launched;
};

TEST_F(AccessibilitySettingsTest, OpensTheRunningDesktopsSettingsFirst) {
    installed = {QStringLiteral("gnome-control-center"), QStringLiteral("systemsettings")};
    settings(QStringLiteral("ubuntu:GNOME")).openAccessibilitySettings();
    settings(QStringLiteral("KDE")).openAccessibilitySettings();
    EXPECT_EQ(launched, QList<Command>({{QStringLiteral("/usr/bin/gnome-control-center"),
                                         {QStringLiteral("universal-access")}},
                                        {QStringLiteral("/usr/bin/systemsettings"),
                                         {QStringLiteral("kcm_access")}}}));
}

TEST_F(AccessibilitySettingsTest, FallsBackToAnyKnownProgramOnAnotherDesktop) {
    installed = {QStringLiteral("systemsettings5")};
    EXPECT_EQ(
        settings(QStringLiteral("XFCE")).command(),
        Command({QStringLiteral("/usr/bin/systemsettings5"), {QStringLiteral("kcm_access")}}));
}

TEST_F(AccessibilitySettingsTest, WithoutAKnownProgramOnlyLogs) {
    TestSupport::LogCapture log;
    settings(QStringLiteral("GNOME")).openAccessibilitySettings();
    EXPECT_TRUE(launched.isEmpty());
    EXPECT_TRUE(log.contains(
        QStringLiteral("accessibility settings: no known settings program is installed")));
}

} // namespace
