#include "Parlino/Panel/NotchPlacement.h"

#include "Parlino/Panel/PanelSizing.h"
#include "Parlino/Panel/SurfaceWindow.h"

#include <algorithm>
#include <cmath>

namespace Parlino::NotchPlacement {

namespace {

constexpr qreal plainPillWidth = 220;
constexpr qreal plainPillHeight = 34;
constexpr qreal notchBandMinimum = 30;
constexpr qreal idleBarMinimumHeight = 14;
constexpr qreal idleBarDrop = 4;
constexpr qreal warningMinimumWidth = 320;
constexpr qreal panelSideMargin = 48;
constexpr qreal panelWindowPadding = 16;
constexpr qreal nearlyEqualTolerance = 0.5;
constexpr qreal clickThroughSlack = 2;

bool hasNotch(const ScreenScalars& screen) {
    return screen.safeAreaTop > 0;
}

// The pill's window starts on the whole point left of it and is twice its height: the upper
// half leaves the view room to slide the pill in.
PillPlacement pillPlacement(const ScreenScalars& screen, const QRectF& pill, qreal extraBelow) {
    const qreal bleed = horizontalBleed(pill);
    return {QRectF(pill.x() - bleed, pill.y() - extraBelow, pill.width() + 2 * bleed,
                   2 * pill.height() + extraBelow),
            pill.height(), pill.height() - hiddenHeight(screen, pill), bleed};
}

PillPlacement present(SurfaceWindow& window, const PillPlacement& placement) {
    window.setFrame(placement.windowFrame, true);
    window.orderFront();
    return placement;
}

} // namespace

qreal topInset(const ScreenScalars& screen) {
    return std::max(screen.safeAreaTop, screen.frame.bottom() - screen.visibleFrame.bottom());
}

QRectF bubblePillRect(const ScreenScalars& screen) {
    const QRectF& frame = screen.frame;
    if (!hasNotch(screen)) {
        return {frame.center().x() - plainPillWidth / 2,
                screen.visibleFrame.bottom() - plainPillHeight, plainPillWidth, plainPillHeight};
    }
    const qreal top = screen.safeAreaTop;
    const qreal notchWidth =
        frame.width() - screen.auxiliaryTopLeftWidth - screen.auxiliaryTopRightWidth;
    const qreal width = std::max(notchWidth - 1, qreal(0));
    const qreal band = std::max(notchBandMinimum, top);
    const qreal overlap = std::min(top, band / 2);
    return {frame.center().x() - width / 2, frame.bottom() - top - band, width, band + overlap};
}

qreal hiddenHeight(const ScreenScalars& screen, const QRectF& rect) {
    if (!hasNotch(screen))
        return 0;
    return std::max(qreal(0), rect.bottom() - (screen.frame.bottom() - screen.safeAreaTop));
}

QRectF idleBarRect(const ScreenScalars& screen) {
    const QRectF pill = bubblePillRect(screen);
    const qreal hidden = hiddenHeight(screen, pill);
    const qreal height = std::max(idleBarMinimumHeight, (pill.height() - hidden) / 2);
    const qreal notch = hasNotch(screen) ? screen.safeAreaTop : 0;
    return {screen.frame.center().x() - pill.width() / 2, pill.bottom() - hidden - height,
            pill.width(), height + notch};
}

QRectF warningPopupRect(const ScreenScalars& screen) {
    const QRectF pill = bubblePillRect(screen);
    const qreal width = std::max(warningMinimumWidth, pill.width());
    return {screen.frame.center().x() - width / 2, pill.y(), width,
            pill.height() - hiddenHeight(screen, pill)};
}

qreal horizontalBleed(const QRectF& rect) {
    return rect.x() - std::floor(rect.x());
}

PillPlacement bubblePlacement(const ScreenScalars& screen) {
    return pillPlacement(screen, bubblePillRect(screen), 0);
}

PillPlacement idleBarPlacement(const ScreenScalars& screen) {
    return pillPlacement(screen, idleBarRect(screen), idleBarDrop);
}

PillPlacement warningPlacement(const ScreenScalars& screen) {
    const QRectF pill = warningPopupRect(screen);
    return {QRectF(pill.x(), pill.y(), pill.width(), 2 * pill.height()), pill.height(),
            pill.height(), 0};
}

QRectF panelWindowFrame(const ScreenScalars& screen) {
    using namespace PanelSizing;
    const QRectF& visible = screen.visibleFrame;
    const qreal width =
        std::min(visible.width() - panelSideMargin, sheetWidth) + panelWindowPadding;
    // Tall enough for the settings, clips and voices sheet and for the tallest reading sheet,
    // which reaches readingCap from the top of the screen when the header band is small.
    const qreal height =
        std::max(headerBand(topInset(screen)) + otherModesBody + bottomAllowance, readingCap);
    return {visible.center().x() - width / 2, screen.frame.bottom() - height, width, height};
}

QRectF visiblePanelRect(const ScreenScalars& screen, qreal panelHeight, const QRectF& windowFrame) {
    const qreal width = PanelSizing::sheetWidth;
    return {windowFrame.center().x() - width / 2, screen.frame.bottom() - panelHeight, width,
            panelHeight};
}

bool panelIgnoresMouseAt(QPointF pointer, const QRectF& windowFrame, const QRectF& visibleRect) {
    const qreal slack = clickThroughSlack;
    return pointerInRect(pointer, windowFrame) &&
           !pointerInRect(pointer, visibleRect.adjusted(-slack, -slack, slack, slack));
}

bool framesNearlyEqual(const QRectF& a, const QRectF& b) {
    const auto near = [](qreal x, qreal y) { return std::abs(x - y) <= nearlyEqualTolerance; };
    return near(a.x(), b.x()) && near(a.y(), b.y()) && near(a.width(), b.width()) &&
           near(a.height(), b.height());
}

PillPlacement presentBubbleWindow(SurfaceWindow& window, const ScreenScalars& screen) {
    return present(window, bubblePlacement(screen));
}

PillPlacement presentIdleBarWindow(SurfaceWindow& window, const ScreenScalars& screen) {
    return present(window, idleBarPlacement(screen));
}

PillPlacement presentWarningWindow(SurfaceWindow& window, const ScreenScalars& screen) {
    return present(window, warningPlacement(screen));
}

bool applyPanelFrame(SurfaceWindow& panel, const ScreenScalars& screen) {
    const QRectF target = panelWindowFrame(screen);
    if (framesNearlyEqual(panel.frame(), target))
        return false;
    panel.setFrame(target, true);
    return true;
}

void presentPanelWindow(SurfaceWindow& panel, const ScreenScalars& screen) {
    panel.setIgnoresMouse(false);
    applyPanelFrame(panel, screen);
    panel.orderFront();
}

} // namespace Parlino::NotchPlacement
