// Starts at the same instant, and a start while the running application quits: one process
// becomes the application, every other hands its request to it, and no request is lost or waited
// on past the bound.
#include "Parlino/Shell/InstanceClaim.h"

#include "support/ManualTime.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <functional>

using namespace Parlino;
using namespace std::chrono_literals;

namespace {

using Delivery = InstanceBus::Delivery;
using Outcome = InstanceClaim::Outcome;

const InstanceRequest open{InstanceRequest::Kind::open, {}};
const InstanceRequest none{InstanceRequest::Kind::none, {}};
const InstanceRequest read{InstanceRequest::Kind::read, QStringLiteral("Read this.")};

// A bus whose answers each test sets; it writes down every call, and each call takes the time
// the test gives it, never more than its bound.
struct FakeBus : InstanceBus {
    explicit FakeBus(TestSupport::ManualClock& clock) : clock(clock) {}

    Base::Result<bool, QString> claim(std::chrono::milliseconds bound) override {
        note(QStringLiteral("claim"), bound, 0);
        return onClaim();
    }
    std::optional<QString> holder(std::chrono::milliseconds bound) override {
        note(QStringLiteral("holder"), bound, 0);
        return onHolder();
    }
    Delivery deliver(const QString& holder, const InstanceRequest& request,
                     std::chrono::milliseconds bound) override {
        const QString what = request.kind == InstanceRequest::Kind::read
                                 ? QStringLiteral("read ") + request.text
                                 : QStringLiteral("open");
        const Delivery delivery = onDeliver(holder);
        longestDeliveryBound = std::max(longestDeliveryBound, bound);
        note(QStringLiteral("deliver %1 %2").arg(holder, what), bound,
             delivery.kind == Delivery::Kind::unanswered ? deliveryTime : 0);
        return delivery;
    }
    Base::Result<void, QString> start(std::chrono::milliseconds bound) override {
        note(QStringLiteral("start"), bound, 1);
        return onStart();
    }

    // Writes the call down and lets `seconds` pass, or the bound when that is shorter.
    void note(const QString& call, std::chrono::milliseconds bound, double seconds) {
        calls << call;
        EXPECT_LE(bound, InstanceClaim::stepBound) << call.toStdString();
        EXPECT_LE(clock.now() + double(bound.count()) / 1000, deadline + 1e-9)
            << call.toStdString() << " may wait past the whole bound";
        clock.set(clock.now() + std::min(seconds, double(bound.count()) / 1000));
    }

    TestSupport::ManualClock& clock;
    double deadline = 0; // when the decision's whole bound ends
    std::function<Base::Result<bool, QString>()> onClaim = [] { return true; };
    std::function<std::optional<QString>()> onHolder = [] { return std::nullopt; };
    std::function<Delivery(const QString&)> onDeliver = [](const QString&) { return Delivery{}; };
    std::function<Base::Result<void, QString>()> onStart = [] {
        return Base::Result<void, QString>();
    };
    // How long an unanswered delivery waits, within its bound.
    double deliveryTime = 10;
    QStringList calls;
    std::chrono::milliseconds longestDeliveryBound{0};
};

struct InstanceClaimTest : ::testing::Test {
    // Decides with `spent` seconds of the whole bound gone already.
    Outcome decide(const InstanceRequest& request, double spent = 0) {
        bus.deadline = clock.now() - spent + 20;
        return InstanceClaim(bus, clock, clock.now() - spent).decide(request);
    }

    // The look for the holder finds `names`, one a time, then none.
    void holders(QStringList names) {
        bus.onHolder = [names]() mutable -> std::optional<QString> {
            if (names.isEmpty())
                return std::nullopt;
            return names.takeFirst();
        };
    }

    TestSupport::ManualClock clock;
    FakeBus bus{clock};
};

TEST_F(InstanceClaimTest, AStartThatGetsTheNameRunsAndAsksNothingOfAnyone) {
    const Outcome outcome = decide(open);
    EXPECT_EQ(outcome.kind, Outcome::Kind::run);
    EXPECT_EQ(bus.calls, QStringList{"claim"});
}

TEST_F(InstanceClaimTest, AStartThatFindsTheNameHeldHandsItsRequestToTheHolder) {
    bus.onClaim = [] { return false; };
    holders({":1.7"});
    EXPECT_EQ(decide(open).kind, Outcome::Kind::handedOver);
    EXPECT_EQ(bus.calls, (QStringList{"claim", "holder", "deliver :1.7 open"}));

    // A start that a client made has nothing to hand over.
    bus.calls.clear();
    EXPECT_EQ(decide(none).kind, Outcome::Kind::handedOver);
    EXPECT_EQ(bus.calls, QStringList{"claim"});
}

TEST_F(InstanceClaimTest, AHolderThatQuitsAsTheRequestComesLeavesTheNameToThisStart) {
    // The holder received the request as it quit, and let go of the name without an answer.
    int claims = 0;
    bus.onClaim = [&claims] { return ++claims == 3; };
    holders({":1.7"});
    bus.onDeliver = [](const QString&) { return Delivery{Delivery::Kind::unanswered, {}}; };
    bus.deliveryTime = 4;

    const Outcome outcome = decide(open);
    EXPECT_EQ(outcome.kind, Outcome::Kind::run);
    // Then the name was free for a moment between the second claim and the look for its holder.
    EXPECT_EQ(bus.calls, (QStringList{"claim", "holder", "deliver :1.7 open", "holder", "claim",
                                      "holder", "claim"}));
}

TEST_F(InstanceClaimTest, AReadStartsTheApplicationWhenNoneRunsAndNeverTakesTheName) {
    int starts = 0;
    bus.onHolder = [&starts]() -> std::optional<QString> {
        return starts ? std::optional(QStringLiteral(":1.9")) : std::nullopt;
    };
    bus.onStart = [&starts] {
        ++starts;
        return Base::Result<void, QString>();
    };
    EXPECT_EQ(decide(read).kind, Outcome::Kind::handedOver);
    EXPECT_EQ(bus.calls,
              (QStringList{"holder", "start", "holder", "deliver :1.9 read Read this."}));
}

TEST_F(InstanceClaimTest, AReadWhoseHolderQuitsBeforeTakingItGoesToTheNextApplication) {
    holders({":1.7", ":1.9", ":1.9"});
    bus.onDeliver = [](const QString& holder) {
        return holder == ":1.7" ? Delivery{Delivery::Kind::unanswered, {}} : Delivery{};
    };
    bus.deliveryTime = 5;

    EXPECT_EQ(decide(read).kind, Outcome::Kind::handedOver);
    EXPECT_EQ(bus.calls, (QStringList{"holder", "deliver :1.7 read Read this.", "holder", "holder",
                                      "deliver :1.9 read Read this."}));
}

// The request reached an application that still holds the name: it waits for it there, and the
// message says that it may still be carried out.
TEST_F(InstanceClaimTest, AHolderThatStaysWithoutAnsweringIsToldWithTheBound) {
    bus.onClaim = [] { return false; };
    bus.onHolder = [] { return QStringLiteral(":1.7"); };
    bus.onDeliver = [](const QString&) { return Delivery{Delivery::Kind::unanswered, {}}; };

    const Outcome unread = decide(read);
    EXPECT_EQ(unread.kind, Outcome::Kind::failed);
    EXPECT_EQ(unread.message, "the running Parlino did not take the text within 10 seconds; it "
                              "may still read the text once it answers again, so trying again "
                              "could read it twice");
    EXPECT_EQ(bus.calls.last(), "holder") << "still the holder when the bound passed";

    const QString mayStillOpen =
        QStringLiteral("; it may still open its panel once it answers again");
    const Outcome unopened = decide(open);
    EXPECT_EQ(unopened.kind, Outcome::Kind::failed);
    EXPECT_EQ(unopened.message,
              "the running Parlino did not answer within 10 seconds" + mayStillOpen);

    // What is left of the whole bound, in whole seconds.
    EXPECT_EQ(decide(open, 16.5).message,
              "the running Parlino did not answer within 4 seconds" + mayStillOpen);
    EXPECT_EQ(decide(open, 19.7).message,
              "the running Parlino did not answer within 1 second" + mayStillOpen);
}

TEST_F(InstanceClaimTest, TheBusesTheStartsAndTheApplicationsRefusalsAreToldAsTheyCame) {
    bus.onClaim = [] { return Base::failure(QStringLiteral("the bus said no")); };
    EXPECT_EQ(decide(open).message, "the bus said no");

    bus.onStart = [] { return Base::failure(QStringLiteral("Parlino exited with status 1")); };
    const Outcome notStarted = decide(read);
    EXPECT_EQ(notStarted.kind, Outcome::Kind::failed);
    EXPECT_EQ(notStarted.message, "Parlino exited with status 1");

    holders({":1.7"});
    bus.onDeliver = [](const QString&) {
        return Delivery{Delivery::Kind::refused, QStringLiteral("the text is too large")};
    };
    const Outcome refused = decide(read);
    EXPECT_EQ(refused.kind, Outcome::Kind::failed);
    EXPECT_EQ(refused.message, "the text is too large");
}

// Holders that keep leaving as each request reaches them: no step waits past the whole bound,
// and the last says so.
TEST_F(InstanceClaimTest, HoldersLeavingOneAfterAnotherEndWithinTheWholeBound) {
    int holder = 0;
    bus.onClaim = [] { return false; };
    bus.onHolder = [&holder] { return QStringLiteral(":1.%1").arg(++holder); };
    bus.onDeliver = [](const QString&) { return Delivery{Delivery::Kind::unanswered, {}}; };
    bus.deliveryTime = 3;

    const Outcome outcome = decide(open);
    EXPECT_EQ(outcome.kind, Outcome::Kind::failed);
    EXPECT_EQ(outcome.message, "the running Parlino did not answer within 20 seconds");
    EXPECT_DOUBLE_EQ(clock.now(), 20);
    EXPECT_EQ(holder, 14) << "seven holders asked, each gone after";
    EXPECT_EQ(bus.longestDeliveryBound, InstanceClaim::stepBound);
}

} // namespace
