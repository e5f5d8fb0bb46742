#include "KeyboardShortcuts/Linux/XGrabPlacement.h"

#include "KeyboardShortcuts/Linux/XModifiers.h"

#include <QSet>
#include <QStringList>

#include <gtest/gtest.h>

using namespace KeyboardShortcuts;
using Grab = XGrabPlacement::Grab;
using TakenChange = XGrabPlacement::TakenChange;

namespace {

constexpr quint32 root = 1;
constexpr quint32 editor = 50;
constexpr quint32 browser = 60;
const Grab readKeys{32, XModifiers::control | XModifiers::mod1 | XModifiers::shift};
const Grab panelKeys{32, XModifiers::control | XModifiers::mod1};

// The server's side: which client holds what, and the requests in order.
class XGrabPlacementTest : public ::testing::Test {
protected:
    static QString key(quint32 window, Grab grab) {
        return QStringLiteral("%1:%2+%3").arg(window).arg(grab.keyCode).arg(grab.modifiers);
    }

    XGrabPlacement placement{root,
                             {[this](quint32 window, Grab grab) {
                                  const QString grabbed = key(window, grab);
                                  requests << "grab " + grabbed;
                                  if (heldByOthers.contains(grabbed))
                                      return false;
                                  held.insert(grabbed);
                                  return true;
                              },
                              [this](quint32 window, Grab grab) {
                                  requests << "ungrab " + key(window, grab);
                                  held.remove(key(window, grab));
                              }}};
    QSet<QString> heldByOthers;
    QSet<QString> held;
    QStringList requests;
};

} // namespace

// The root window's grab comes before the target's: the other client gets the presses, and the
// application gets them as soon as that client lets go.
TEST_F(XGrabPlacementTest, ACombinationAnotherClientHoldsOnTheRootIsTakenAndWaitsOnTheTarget) {
    heldByOthers.insert(key(root, readKeys));
    EXPECT_FALSE(placement.add(1, readKeys));
    EXPECT_EQ(placement.windowOf(1), std::nullopt) << "the root window is the other client's";
    EXPECT_TRUE(held.isEmpty());

    EXPECT_TRUE(placement.hasTakenOnNoWindow());

    EXPECT_TRUE(placement.moveTo(editor).isEmpty()) << "still taken";
    EXPECT_TRUE(placement.isTakenElsewhere(readKeys));
    EXPECT_EQ(placement.windowOf(1), editor);
    EXPECT_EQ(held, QSet<QString>{key(editor, readKeys)});
    EXPECT_TRUE(placement.hasTaken());
    EXPECT_FALSE(placement.hasTakenOnNoWindow());

    // A window that refuses it too leaves it nowhere.
    heldByOthers.insert(key(browser, readKeys));
    EXPECT_TRUE(placement.moveTo(browser).isEmpty());
    EXPECT_EQ(placement.windowOf(1), std::nullopt);
    EXPECT_TRUE(held.isEmpty());
}

TEST_F(XGrabPlacementTest, AnAddedCombinationIsHeldOnTheTargetOnly) {
    placement.moveTo(editor);
    ASSERT_TRUE(placement.add(1, readKeys));
    EXPECT_EQ(placement.windowOf(1), editor);
    EXPECT_EQ(held, QSet<QString>{key(editor, readKeys)});
    EXPECT_FALSE(placement.isTakenElsewhere(panelKeys));
    EXPECT_EQ(held, QSet<QString>{key(editor, readKeys)}) << "the test leaves no grab behind";
}

TEST_F(XGrabPlacementTest, GrabsFollowTheTargetAndNeverLeaveTheCombinationUngrabbed) {
    placement.moveTo(editor);
    placement.add(1, readKeys);
    placement.add(2, panelKeys);
    requests.clear();

    placement.moveTo(browser);
    EXPECT_EQ(held, (QSet<QString>{key(browser, readKeys), key(browser, panelKeys)}));
    // Each is grabbed on the new window before it is let go on the old one.
    for (const Grab grab : {readKeys, panelKeys})
        EXPECT_LT(requests.indexOf("grab " + key(browser, grab)),
                  requests.indexOf("ungrab " + key(editor, grab)));

    placement.moveTo(root);
    EXPECT_EQ(held, (QSet<QString>{key(root, readKeys), key(root, panelKeys)}));
    requests.clear();
    placement.moveTo(root);
    EXPECT_TRUE(requests.isEmpty());
}

TEST_F(XGrabPlacementTest, AWindowThatRefusesLeavesTheGrabOnTheRootUntilTheNextMove) {
    placement.add(1, readKeys);
    heldByOthers.insert(key(editor, readKeys));
    placement.moveTo(editor);
    EXPECT_EQ(placement.windowOf(1), root);
    EXPECT_EQ(held, QSet<QString>{key(root, readKeys)});

    placement.moveTo(browser);
    EXPECT_EQ(placement.windowOf(1), browser);
    EXPECT_EQ(held, QSet<QString>{key(browser, readKeys)});
}

TEST_F(XGrabPlacementTest, ATakenCombinationIsClaimedAgainAtEachMoveAndToldWhenItChanges) {
    placement.moveTo(editor);
    heldByOthers.insert(key(root, readKeys));
    EXPECT_FALSE(placement.add(1, readKeys));
    ASSERT_TRUE(placement.add(2, panelKeys));
    EXPECT_TRUE(placement.moveTo(browser).isEmpty()) << "still taken";
    EXPECT_EQ(held, (QSet<QString>{key(browser, readKeys), key(browser, panelKeys)}));

    heldByOthers.clear();
    EXPECT_EQ(placement.moveTo(editor), (QList<TakenChange>{{1, false}}));
    EXPECT_EQ(placement.windowOf(1), editor);
    EXPECT_EQ(held, (QSet<QString>{key(editor, readKeys), key(editor, panelKeys)}));

    // Held on the focused window, it is another client's once that client grabs it on the root
    // window, whose grab comes first.
    heldByOthers.insert(key(root, readKeys));
    EXPECT_EQ(placement.moveTo(browser), (QList<TakenChange>{{1, true}}));
    EXPECT_EQ(held, (QSet<QString>{key(browser, readKeys), key(browser, panelKeys)}));

    placement.remove(1);
    heldByOthers.clear();
    EXPECT_TRUE(placement.moveTo(editor).isEmpty()) << "a removed combination is not claimed";
    EXPECT_EQ(held, QSet<QString>{key(editor, panelKeys)});
}

// A press that came through the waiting grab tells that the other client let go, or holds only
// some states of the locks: the combination is the application's only when the claim holds.
TEST_F(XGrabPlacementTest, APressThroughTheGrabOfATakenCombinationClaimsItAgain) {
    placement.moveTo(editor);
    heldByOthers.insert(key(root, readKeys));
    placement.add(1, readKeys);
    placement.add(2, panelKeys);
    requests.clear();
    EXPECT_EQ(placement.pressed(2), std::nullopt);
    EXPECT_TRUE(requests.isEmpty()) << "a held combination costs no request";

    EXPECT_EQ(placement.pressed(1), std::nullopt) << "still held by the other client";
    heldByOthers.clear();
    EXPECT_EQ(placement.pressed(1), (TakenChange{1, false}));
    EXPECT_EQ(placement.pressed(1), std::nullopt) << "told once";
    EXPECT_EQ(held, (QSet<QString>{key(editor, readKeys), key(editor, panelKeys)}))
        << "the claim leaves the grabs where they were";
}

// With the target on the root window a taken combination waits on no window: a press heard
// elsewhere, or another sign that the other client let go, claims it and grabs it there.
TEST_F(XGrabPlacementTest, ATakenCombinationOnNoWindowIsGrabbedOnTheTargetOnceClaimed) {
    heldByOthers.insert(key(root, readKeys));
    heldByOthers.insert(key(root, panelKeys));
    placement.add(1, readKeys);
    placement.add(2, panelKeys);
    EXPECT_EQ(placement.pressed(1), std::nullopt);
    EXPECT_TRUE(placement.claimTaken().isEmpty()) << "still held by the other client";
    EXPECT_TRUE(held.isEmpty());

    heldByOthers.remove(key(root, readKeys));
    EXPECT_EQ(placement.pressed(1), (TakenChange{1, false}));
    EXPECT_EQ(placement.windowOf(1), root);
    EXPECT_TRUE(placement.hasTakenOnNoWindow());

    heldByOthers.clear();
    EXPECT_EQ(placement.claimTaken(), (QList<TakenChange>{{2, false}}));
    EXPECT_TRUE(placement.claimTaken().isEmpty()) << "told once";
    EXPECT_EQ(held, (QSet<QString>{key(root, readKeys), key(root, panelKeys)}));
    EXPECT_FALSE(placement.hasTaken());
}

TEST_F(XGrabPlacementTest, ARemovedCombinationIsLetGoWhereItLives) {
    placement.moveTo(editor);
    placement.add(1, readKeys);
    placement.add(2, panelKeys);
    placement.remove(1);
    placement.remove(1);
    EXPECT_EQ(held, QSet<QString>{key(editor, panelKeys)});
    EXPECT_EQ(placement.windowOf(1), std::nullopt);
    placement.moveTo(browser);
    EXPECT_EQ(held, QSet<QString>{key(browser, panelKeys)});
}
