#include "Defaults/Default.h"
#include "Defaults/Widgets/Toggle.h"

#include "Suite.h"
#include "support/EventLoop.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QPointer>
#include <QThread>

#include <thread>

using Defaults::Default;

namespace {

class DefaultTest : public SuiteTest {
protected:
    Defaults::Key<double> rate{"rate", 1.0, suite};
    Defaults::Key<bool> saving{"saving", true, suite};
};

} // namespace

TEST_F(DefaultTest, ReadsAndWritesTheStoreWithoutCaching) {
    Default<double> bound(rate);
    EXPECT_EQ(bound.value(), 1.0);
    EXPECT_TRUE(bound.isDefaultValue());
    bound.setValue(1.5);
    EXPECT_EQ(Defaults::get(rate), 1.5);
    Defaults::set(rate, 2.0);
    EXPECT_EQ(bound.value(), 2.0);
    bound.modify([](double& value) { value += 0.5; });
    EXPECT_EQ(Defaults::get(rate), 2.5);
    bound.reset();
    EXPECT_EQ(suite->objectForKey("rate"), Base::PropertyValue(1.0));
    EXPECT_EQ(bound.value(), bound.defaultValue());
}

TEST_F(DefaultTest, AnnouncesEveryChangeOnTheMainThreadAfterTheWrite) {
    Default<double> bound(rate);
    Default<double> other(rate);
    QList<QThread*> threads;
    QObject::connect(&bound, &Defaults::Observable::changed,
                     [&] { threads.append(QThread::currentThread()); });
    int otherChanged = 0;
    QObject::connect(&other, &Defaults::Observable::changed, [&] { ++otherChanged; });
    bound.setValue(1.5);
    EXPECT_TRUE(threads.isEmpty());
    std::thread([&] { Defaults::set(rate, 2.0); }).join();
    EXPECT_TRUE(TestSupport::pumpUntil([&] { return threads.size() == 2; }));
    EXPECT_EQ(threads, (QList<QThread*>{qApp->thread(), qApp->thread()}));
    EXPECT_EQ(otherChanged, 2);
}

TEST_F(DefaultTest, ARemovedOptionalValueReadsAsTheDefault) {
    const Defaults::Key<std::optional<QString>> voice("voice", suite);
    Default<std::optional<QString>> bound(voice);
    bound.setValue(QStringLiteral("v1"));
    EXPECT_EQ(bound.value(), QStringLiteral("v1"));
    bound.setValue(std::nullopt);
    EXPECT_EQ(suite->objectForKey("voice"), std::nullopt);
    EXPECT_EQ(bound.value(), std::nullopt);
}

TEST_F(DefaultTest, AnotherKeyIsFollowedInsteadOfTheFormerOne) {
    auto otherSuite = Base::UserDefaults::open("other", folder.path(), scheduler);
    const Defaults::Key<double> sameNameElsewhere("rate", 1.0, otherSuite);
    const Defaults::Key<double> speed("speed", 1.0, suite);
    Default<double> bound(rate);
    int changed = 0;
    QObject::connect(&bound, &Defaults::Observable::changed, [&] { ++changed; });

    bound.setKey(speed);
    Defaults::set(rate, 2.0);
    TestSupport::drainEvents();
    EXPECT_EQ(changed, 0);
    Defaults::set(speed, 2.0);
    TestSupport::drainEvents();
    EXPECT_EQ(changed, 1);

    bound.setKey(sameNameElsewhere);
    Defaults::set(rate, 3.0);
    Defaults::set(speed, 3.0);
    TestSupport::drainEvents();
    EXPECT_EQ(changed, 1);
    Defaults::set(sameNameElsewhere, 3.0);
    TestSupport::drainEvents();
    EXPECT_EQ(changed, 2);
    EXPECT_EQ(bound.value(), 3.0);
}

TEST_F(DefaultTest, ChangesPendingForADestroyedBindingAreDropped) {
    auto bound = std::make_unique<Default<double>>(rate);
    int calls = 0;
    QObject::connect(bound.get(), &Defaults::Observable::changed, [&] { ++calls; });
    Defaults::set(rate, 2.0);
    bound.reset();
    TestSupport::drainEvents();
    EXPECT_EQ(calls, 0);
}

TEST_F(DefaultTest, ThePublisherStartsWithTheCurrentValue) {
    Defaults::set(rate, 1.25);
    Default<double> bound(rate);
    QList<double> values;
    auto subscription = bound.publisher().subscribe(
        [&](const Defaults::KeyChange<double>& change) { values.append(change.newValue); });
    bound.setValue(1.5);
    EXPECT_EQ(values, (QList<double>{1.25, 1.5}));
}

TEST_F(DefaultTest, ABoundCheckBoxFollowsWritesMadeElsewhere) {
    QCheckBox box;
    auto* toggle = Defaults::Toggle::bind(&box, saving);
    QList<bool> changed;
    QObject::connect(toggle, &Defaults::Toggle::changed, [&](bool isOn) { changed.append(isOn); });
    EXPECT_TRUE(box.isChecked());

    std::thread([&] { Defaults::set(saving, false); }).join();
    EXPECT_TRUE(TestSupport::pumpUntil([&] { return !box.isChecked(); }));
    Defaults::set(saving, false); // unchanged: no announcement
    saving.reset();
    TestSupport::drainEvents();
    EXPECT_TRUE(box.isChecked());
    EXPECT_EQ(changed, (QList<bool>{false, true}));
}

TEST_F(DefaultTest, TogglingABoundCheckBoxWritesTheKey) {
    QCheckBox box;
    Defaults::Toggle::bind(&box, saving);
    box.click();
    EXPECT_EQ(suite->objectForKey("saving"), Base::PropertyValue(false));
    TestSupport::drainEvents();
    EXPECT_FALSE(box.isChecked());
    box.click();
    EXPECT_EQ(suite->objectForKey("saving"), Base::PropertyValue(true));
}

TEST_F(DefaultTest, AnInvertedToggleShowsTheOppositeOfTheStoredValue) {
    QCheckBox box;
    auto* toggle = Defaults::Toggle::bind(&box, saving, true);
    QList<bool> changed;
    QObject::connect(toggle, &Defaults::Toggle::changed, [&](bool isOn) { changed.append(isOn); });
    EXPECT_FALSE(box.isChecked());
    box.click();
    EXPECT_EQ(Defaults::get(saving), false);
    TestSupport::drainEvents();
    EXPECT_TRUE(box.isChecked());
    EXPECT_EQ(changed, QList<bool>{true});
}

TEST_F(DefaultTest, TheBindingEndsWithItsButton) {
    auto box = std::make_unique<QCheckBox>();
    QPointer<Defaults::Toggle> toggle = Defaults::Toggle::bind(box.get(), saving);
    box.reset();
    EXPECT_TRUE(toggle.isNull());
    Defaults::set(saving, false);
    TestSupport::drainEvents();
}
