#pragma once

#include <QRect>
#include <QStringList>

#include <gtest/gtest.h>

class QWidget;

namespace TestSupport {

// The views drawn over what they scroll: the fading scroll bar and the jump-to-end chevron.
QStringList standardOverlays();

// Walks the visible widgets under `window` and describes every fault a user would see, naming
// the widgets by object name (class name where unnamed) with their rectangles in the window:
// - a visible text or control overlapping another one;
// - a widget reaching past its parent or past the sheet (a scroll area's content may run past
//   its viewport only in a direction it scrolls);
// - a label or a button whose text does not fit its rectangle (a line cut at the top or bottom,
//   or running past the right edge; a text elided on purpose fits).
// `sheet` is the part of the window a user sees (empty: the whole window); `overlays` name the
// widgets meant to lie over others, by object name or class name: they and everything inside
// them may overlap. An empty list is a clean screen.
QStringList layoutProblems(const QWidget& window, const QRect& sheet = {},
                           const QStringList& overlays = standardOverlays());

// The same as an assertion: `EXPECT_TRUE(hasCleanLayout(view))` fails with one problem a line.
::testing::AssertionResult hasCleanLayout(const QWidget& window, const QRect& sheet = {},
                                          const QStringList& overlays = standardOverlays());

} // namespace TestSupport
