#include "Parlino/Panel/WarningGeometryBox.h"
#include "Parlino/Panel/WarningPopupView.h"
#include "Parlino/Services/APIKeyCredential.h"
#include "Parlino/Services/WarningModel.h"
#include "Parlino/Style/Theme.h"

#include "PanelTesting.h"

#include "support/LayoutCheck.h"
#include "support/Screenshots.h"

#include <QAbstractButton>
#include <QLabel>
#include <gtest/gtest.h>

using namespace Parlino;

TEST(WarningPopupContent, SaysWhatIsWrongAndWhereToFixIt) {
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(warningPopupContent(ActiveWarning::usageLow(1234), english),
              (WarningPopupContent{QStringLiteral("1,234 Tokens Left"), QStringLiteral("Upgrade"),
                                   subscriptionPage()}));
    EXPECT_EQ(warningPopupContent(ActiveWarning::usageLow(0), english).text,
              QStringLiteral("0 Tokens Left"));
    EXPECT_EQ(warningPopupContent(ActiveWarning::usageLow(1234567), QLocale(QLocale::German)).text,
              QStringLiteral("1.234.567 Tokens Left"));
    // The C locale leaves out grouping unless asked.
    EXPECT_EQ(warningPopupContent(ActiveWarning::usageLow(4500), QLocale::c()).text,
              QStringLiteral("4,500 Tokens Left"));

    EXPECT_EQ(warningPopupContent(ActiveWarning::noKey(), english),
              (WarningPopupContent{QStringLiteral("No API Key"), QStringLiteral("Get a Key ↗"),
                                   apiKeysPage()}));
    EXPECT_EQ(warningPopupContent(ActiveWarning::none(), english), WarningPopupContent{});
    EXPECT_NE(subscriptionPage(), apiKeysPage());
}

namespace {

// The pill in a window twice its height, as the controller places it.
struct Popup {
    PanelTesting::Motion motion;
    WarningModel model;
    WarningGeometryBox geometry;
    QStringList actions;
    WarningPopupView view{model, geometry, motion.context,
                          [this] { actions.append(QStringLiteral("primary")); },
                          [this] { actions.append(QStringLiteral("close")); }};

    Popup() {
        view.openURL = [this](const QUrl& url) { actions.append(url.toString()); };
        geometry.setRevealed(true);
        view.resize(320, 68);
        motion.scheduler.advance(1);
    }

    QAbstractButton& button(const char* name) {
        return *view.findChild<QAbstractButton*>(QLatin1String(name));
    }
    QString text() { return view.findChild<QLabel*>(QStringLiteral("WarningText"))->text(); }
    QImage render(const QString& name) {
        return TestSupport::renderScreenshot(view, 2, QStringLiteral("Panel"), name);
    }
};

} // namespace

TEST(WarningPopupView, FollowsTheWarningAndOpensThePageBeforeReporting) {
    Popup popup;
    popup.model.setCurrent(ActiveWarning::noKey());
    EXPECT_EQ(popup.text(), QStringLiteral("No API Key"));
    QAbstractButton& primary = popup.button("WarningPrimary");
    EXPECT_EQ(primary.text(), QStringLiteral("Get a Key ↗"));
    primary.click();
    EXPECT_EQ(popup.actions, (QStringList{apiKeysPage().toString(), QStringLiteral("primary")}));

    popup.actions.clear();
    popup.model.setCurrent(ActiveWarning::usageLow(12));
    EXPECT_TRUE(popup.text().endsWith(QStringLiteral(" Tokens Left")));
    EXPECT_EQ(primary.text(), QStringLiteral("Upgrade"));
    primary.click();
    EXPECT_EQ(popup.actions,
              (QStringList{subscriptionPage().toString(), QStringLiteral("primary")}));

    // With no warning left only the dismiss button stays.
    popup.actions.clear();
    popup.model.setCurrent(ActiveWarning::none());
    EXPECT_EQ(popup.text(), QString());
    EXPECT_FALSE(primary.isVisibleTo(&popup.view));
    QAbstractButton& dismiss = popup.button("WarningDismiss");
    EXPECT_EQ(dismiss.accessibleName(), QStringLiteral("Dismiss"));
    dismiss.click();
    EXPECT_EQ(popup.actions, QStringList{QStringLiteral("close")});
}

TEST(WarningPopupView, SlidesUpByItsHeight) {
    Popup popup;
    EXPECT_EQ(popup.view.pillRect(), QRectF(0, 34, 320, 34));
    popup.geometry.setRevealed(false);
    popup.motion.scheduler.advance(0.09);
    EXPECT_GT(popup.view.pillRect().top(), 0);
    EXPECT_LT(popup.view.pillRect().top(), 34);
    popup.motion.scheduler.advance(0.1);
    EXPECT_EQ(popup.view.pillRect().top(), 0);
}

TEST(WarningPopupView, RendersEachWarningOnARedPill) {
    Popup popup;
    const auto laidOutCleanly = [&] {
        return TestSupport::hasCleanLayout(popup.view, popup.view.pillRect().toAlignedRect());
    };
    popup.model.setCurrent(ActiveWarning::usageLow(1234567));
    popup.render(QStringLiteral("warning-usage-low"));
    EXPECT_TRUE(laidOutCleanly());
    popup.model.setCurrent(ActiveWarning::noKey());
    const QImage image = popup.render(QStringLiteral("warning-no-key"));
    EXPECT_TRUE(laidOutCleanly());
    EXPECT_EQ(image.size(), QSize(640, 136));
    const QColor ground = image.pixelColor(2 * 160, 2 * 36);
    EXPECT_EQ(ground.rgb(), Theme::deepRed().rgb());
    EXPECT_EQ(image.pixelColor(2 * 160, 2 * 10).alpha(), 0); // the window's clear upper half
    // The dismiss disc sits at the right end, darker than the ground beside its cross.
    const QColor disc = image.pixelColor(2 * (320 - 12 - 2.5), 2 * (34 + 17));
    EXPECT_LT(disc.red(), ground.red());
}
