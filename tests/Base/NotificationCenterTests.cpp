#include "Base/NotificationCenter.h"

#include "support/Printers.h"

#include <gtest/gtest.h>

using Base::Notification;
using Base::NotificationCenter;

namespace {

const QString changed = QStringLiteral("changed");

} // namespace

TEST(NotificationCenterTest, DeliversToTheObserversOfTheNameInOrderBeforePostReturns) {
    NotificationCenter center;
    QStringList calls;
    auto first = center.addObserver(changed, [&](const Notification& n) {
        calls << QStringLiteral("first:") + n.userInfo.value(QStringLiteral("name")).toString();
    });
    auto other = center.addObserver(QStringLiteral("other"),
                                    [&](const Notification&) { calls << QStringLiteral("other"); });
    auto second = center.addObserver(
        changed, [&](const Notification& n) { calls << QStringLiteral("second:") + n.name; });

    center.post(changed, {{QStringLiteral("name"), QStringLiteral("a")}});

    EXPECT_EQ(calls, QStringList({"first:a", "second:changed"}));
}

TEST(NotificationCenterTest, AnObserverGoesWithItsToken) {
    NotificationCenter center;
    int calls = 0;
    {
        auto token = center.addObserver(changed, [&](const Notification&) { ++calls; });
        center.post(changed);
        auto moved = std::move(token);
        center.post(changed);
    }
    center.post(changed);
    EXPECT_EQ(calls, 2);

    auto token = center.addObserver(changed, [&](const Notification&) { ++calls; });
    token = {};
    center.post(changed);
    EXPECT_EQ(calls, 2);
}

TEST(NotificationCenterTest, AnObserverRemovedDuringADeliveryIsNotCalledAfterwards) {
    NotificationCenter center;
    NotificationCenter::ObserverToken second;
    int secondCalls = 0;
    auto first = center.addObserver(changed, [&](const Notification&) { second.reset(); });
    second = center.addObserver(changed, [&](const Notification&) { ++secondCalls; });

    center.post(changed);

    EXPECT_EQ(secondCalls, 0);
}

TEST(NotificationCenterTest, AnObserverMayPostAndAddObserversWhileItRuns) {
    NotificationCenter center;
    QStringList calls;
    NotificationCenter::ObserverToken late;
    auto relay = center.addObserver(changed, [&](const Notification&) {
        calls << QStringLiteral("relay");
        late = center.addObserver(changed, [&](const Notification&) { calls << "late"; });
        center.post(QStringLiteral("echo"));
    });
    auto echo = center.addObserver(QStringLiteral("echo"),
                                   [&](const Notification&) { calls << QStringLiteral("echo"); });

    center.post(changed);

    EXPECT_EQ(calls, QStringList({"relay", "echo"}));
}

TEST(NotificationCenterTest, ATokenMayOutliveItsCenter) {
    NotificationCenter::ObserverToken token;
    {
        NotificationCenter center;
        token = center.addObserver(changed, [](const Notification&) {});
    }
    token.reset();
    EXPECT_FALSE(token);
}
