#include "KeyboardShortcuts/EventStreams.h"

#include "RegistryFixture.h"
#include "support/EventLoop.h"
#include "support/Printers.h"

#include <gtest/gtest.h>

using namespace KeyboardShortcuts;
using TestSupport::drainEvents;

namespace {

const Shortcut controlShiftS(Key::s, ModifierFlag::control | ModifierFlag::shift);
const Shortcut commandR(Key::r, ModifierFlag::command);

// Collects what a stream delivers.
template <class Stream, class T> class Collected {
public:
    explicit Collected(Stream stream) : m_stream(std::move(stream)) {
        m_stream.listen([this](T element) { elements.append(element); }, [](auto) {});
    }
    void cancel() { m_stream.cancel(); }

    QList<T> elements;

private:
    Stream m_stream;
};
using CollectedEvents = Collected<EventStream, EventType>;
using CollectedRepeats = Collected<KeyRepeatStream, std::monostate>;

class EventStreamsTest : public TestSupport::RegistryTest {
protected:
    void press(const Shortcut& shortcut) {
        system.press(shortcut);
        drainEvents();
    }
    void release(const Shortcut& shortcut) {
        system.release(shortcut);
        drainEvents();
    }
    void advance(double seconds) {
        scheduler.advance(seconds);
        drainEvents();
    }

    Name readSelection{QStringLiteral("readSelection"), controlShiftS};
    Name openPanel{QStringLiteral("openPanel")};
    const QList<EventType> downUp{EventType::keyDown, EventType::keyUp};
};

} // namespace

TEST_F(EventStreamsTest, EveryStreamOfANameHearsEveryEventAndTheLastOneReleasesTheHotKey) {
    CollectedEvents first(events(registry, readSelection));
    CollectedEvents second(events(registry, readSelection));
    EXPECT_EQ(system.registered(), QList<Shortcut>{controlShiftS});

    press(controlShiftS);
    release(controlShiftS);
    EXPECT_EQ(first.elements, downUp);
    EXPECT_EQ(second.elements, downUp);

    first.cancel();
    drainEvents();
    EXPECT_EQ(system.registered(), QList<Shortcut>{controlShiftS});
    second.cancel();
    EXPECT_EQ(system.registered(), QList<Shortcut>{controlShiftS}) << "removed on a later turn";
    drainEvents();
    EXPECT_TRUE(system.registered().isEmpty());
}

TEST_F(EventStreamsTest, AnEndedStreamKeepsTheHotKeyOfANameWithActions) {
    registry.onKeyUp(readSelection, [] {});
    CollectedEvents(events(registry, readSelection)).cancel();
    drainEvents();
    EXPECT_EQ(system.registered(), QList<Shortcut>{controlShiftS});
}

TEST_F(EventStreamsTest, AFilteredStreamKeepsOnlyItsType) {
    CollectedEvents ups(events(registry, EventType::keyUp, readSelection));
    press(controlShiftS);
    release(controlShiftS);
    EXPECT_EQ(ups.elements, QList<EventType>{EventType::keyUp});
}

TEST_F(EventStreamsTest, AShortcutStreamKeepsItsHotKeyWhileTheNamesUsingItAreDisabled) {
    setShortcut(commandR, openPanel);
    registry.onKeyDown(openPanel, [] {});
    CollectedEvents stream(events(registry, commandR));
    registry.disable({openPanel});
    EXPECT_EQ(system.registered(), QList<Shortcut>{commandR});

    press(commandR);
    release(commandR);
    EXPECT_EQ(stream.elements, downUp);
    CollectedEvents named(events(registry, openPanel));
    press(commandR);
    EXPECT_TRUE(named.elements.isEmpty()) << "a disabled name's stream hears nothing";
}

TEST_F(EventStreamsTest, AHeldShortcutRepeatsAfterTheDelayAndThenEveryInterval) {
    CollectedRepeats repeats(repeatingKeyDownEvents(registry, scheduler, readSelection));
    press(controlShiftS);
    EXPECT_EQ(repeats.elements.size(), 1);
    advance(0.49);
    EXPECT_EQ(repeats.elements.size(), 1);
    advance(0.01);
    EXPECT_EQ(repeats.elements.size(), 2);
    advance(0.1);
    advance(0.1);
    EXPECT_EQ(repeats.elements.size(), 4);

    release(controlShiftS);
    advance(1);
    EXPECT_EQ(repeats.elements.size(), 4);
}

TEST_F(EventStreamsTest, AReleaseBeforeTheDelayLeavesOneEvent) {
    CollectedRepeats repeats(repeatingKeyDownEvents(registry, scheduler, readSelection));
    press(controlShiftS);
    advance(0.3);
    release(controlShiftS);
    advance(1);
    EXPECT_EQ(repeats.elements.size(), 1);
}

TEST_F(EventStreamsTest, ChangingTheShortcutWhileItIsHeldStopsTheRepetition) {
    CollectedRepeats repeats(repeatingKeyDownEvents(registry, scheduler, readSelection));
    press(controlShiftS);
    setShortcut(commandR, readSelection);
    advance(1);
    EXPECT_EQ(repeats.elements.size(), 1);
}

TEST_F(EventStreamsTest, PausingStopsTheRepetition) {
    CollectedRepeats repeats(repeatingKeyDownEvents(registry, scheduler, readSelection));
    press(controlShiftS);
    advance(0.5);
    registry.setPaused(true);
    advance(1);
    EXPECT_EQ(repeats.elements.size(), 2);
}

TEST_F(EventStreamsTest, AShortcutsRepeatingStreamStopsWhenTheModuleIsSwitchedOff) {
    CollectedRepeats repeats(repeatingKeyDownEvents(registry, scheduler, commandR));
    press(commandR);
    advance(0.6);
    EXPECT_EQ(repeats.elements.size(), 3);
    registry.setEnabled(false);
    advance(1);
    EXPECT_EQ(repeats.elements.size(), 3);
}

TEST_F(EventStreamsTest, CancellingARepeatingStreamStopsItAndReleasesTheHotKey) {
    CollectedRepeats repeats(repeatingKeyDownEvents(registry, scheduler, readSelection));
    press(controlShiftS);
    repeats.cancel();
    advance(1);
    EXPECT_EQ(scheduler.pendingCount(), 0u);
    EXPECT_TRUE(system.registered().isEmpty());
}
