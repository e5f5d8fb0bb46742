#include "support/LayoutCheck.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QScrollBar>
#include <QWidget>

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <typeinfo>

namespace TestSupport {

namespace {

// The widget's own type, also for the many views without a meta-object of their own.
QString className(const QWidget& widget) {
    const char* mangled = typeid(widget).name();
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> plain(
        abi::__cxa_demangle(mangled, nullptr, nullptr, &status), &std::free);
    return QString::fromLatin1(status == 0 ? plain.get() : mangled);
}

QString nameOf(const QWidget& widget) {
    if (!widget.objectName().isEmpty())
        return widget.objectName();
    for (const QWidget* up = widget.parentWidget(); up; up = up->parentWidget())
        if (!up->objectName().isEmpty())
            return className(widget) + QStringLiteral(" in ") + up->objectName();
    return className(widget);
}

QString text(const QRect& rect) {
    return QStringLiteral("(%1,%2 %3×%4)")
        .arg(rect.x())
        .arg(rect.y())
        .arg(rect.width())
        .arg(rect.height());
}

const QAbstractScrollArea* scrollAreaOf(const QWidget& viewport) {
    const auto* area = qobject_cast<const QAbstractScrollArea*>(viewport.parentWidget());
    return area && area->viewport() == &viewport ? area : nullptr;
}

bool hasShownChildren(const QWidget& widget) {
    for (const QObject* child : widget.children()) {
        const auto* w = qobject_cast<const QWidget*>(child);
        if (w && !w->isWindow() && !w->isHidden())
            return true;
    }
    return false;
}

// Something a user reads or presses: a label, a button, or any painted view with nothing inside.
// Bare containers (plain widgets and frames with children or nothing to paint) are not.
bool isTextOrControl(const QWidget& widget) {
    if (qobject_cast<const QLabel*>(&widget) || qobject_cast<const QAbstractButton*>(&widget))
        return true;
    const std::type_info& type = typeid(widget);
    if (type == typeid(QWidget) || type == typeid(QFrame))
        return false;
    return !hasShownChildren(widget);
}

struct Shown {
    const QWidget* widget;
    QRect rect;    // where it lies in the window
    QRect visible; // the part its ancestors and the sheet let through
    bool overlay;
};

class Walker {
public:
    Walker(const QWidget& window, const QStringList& overlays)
        : m_window(window), m_overlays(overlays) {}

    QStringList run(const QRect& sheet) {
        walk(m_window, sheet, sheet, false);
        findOverlaps();
        return m_problems;
    }

private:
    bool isOverlay(const QWidget& widget) const {
        return m_overlays.contains(widget.objectName()) || m_overlays.contains(className(widget));
    }

    // `bounds`: where the parent's children must stay; `visible`: what of it a user sees (less
    // than the bounds inside a scroll area).
    void walk(const QWidget& parent, const QRect& bounds, const QRect& visible, bool inOverlay) {
        const QAbstractScrollArea* area = scrollAreaOf(parent);
        for (const QObject* object : parent.children()) {
            const auto* child = qobject_cast<const QWidget*>(object);
            if (!child || child->isWindow() || child->isHidden())
                continue;
            const QRect rect(child->mapTo(&m_window, QPoint(0, 0)), child->size());
            if (area)
                checkScrolledContent(*child, rect, *area, bounds);
            else if (!bounds.contains(rect) && !rect.isEmpty())
                m_problems << QStringLiteral("%1 %2 reaches past %3 %4")
                                  .arg(nameOf(*child), text(rect), nameOf(parent), text(bounds));
            checkText(*child);
            const bool overlay = inOverlay || isOverlay(*child);
            if (isTextOrControl(*child))
                m_shown.append({child, rect, rect & visible, overlay});
            walk(*child, area ? rect : rect & bounds, rect & visible, overlay);
        }
    }

    // A scroll area's content may run past the viewport only in a direction the area scrolls.
    void checkScrolledContent(const QWidget& content, const QRect& rect,
                              const QAbstractScrollArea& area, const QRect& viewport) {
        if (rect.width() > viewport.width() &&
            area.horizontalScrollBarPolicy() == Qt::ScrollBarAlwaysOff)
            m_problems << QStringLiteral("%1 %2 is wider than its scroll area %3 %4")
                              .arg(nameOf(content), text(rect), nameOf(area), text(viewport));
        const int hiddenBelow = rect.height() - viewport.height();
        if (hiddenBelow > 0 && area.verticalScrollBar()->maximum() < hiddenBelow)
            m_problems << QStringLiteral("%1 %2 runs %3 past its scroll area %4 %5, which cannot "
                                         "scroll that far")
                              .arg(nameOf(content), text(rect))
                              .arg(hiddenBelow - area.verticalScrollBar()->maximum())
                              .arg(nameOf(area), text(viewport));
    }

    void checkText(const QWidget& widget) {
        QSize needed;
        if (const auto* label = qobject_cast<const QLabel*>(&widget)) {
            if (label->text().isEmpty())
                return;
            // What the label shows, so a text it elided on purpose fits.
            const QMargins margins = label->contentsMargins();
            needed = label->wordWrap()
                         ? QSize(0, label->heightForWidth(label->width()))
                         : label->fontMetrics().size(0, label->text()) +
                               QSize(margins.left() + margins.right() + 2 * label->margin(),
                                     margins.top() + margins.bottom() + 2 * label->margin());
        } else if (const auto* button = qobject_cast<const QAbstractButton*>(&widget)) {
            if (button->text().isEmpty())
                return;
            const QFontMetrics metrics(button->font());
            needed = {metrics.horizontalAdvance(button->text()), metrics.height()};
        } else {
            return;
        }
        if (needed.width() > widget.width())
            m_problems << QStringLiteral("%1 needs %2 wide for its text but is %3")
                              .arg(nameOf(widget))
                              .arg(needed.width())
                              .arg(widget.width());
        if (needed.height() > widget.height())
            m_problems << QStringLiteral("%1 needs %2 tall for its text but is %3")
                              .arg(nameOf(widget))
                              .arg(needed.height())
                              .arg(widget.height());
    }

    static bool contains(const QWidget& ancestor, const QWidget& widget) {
        return ancestor.isAncestorOf(&widget);
    }

    void findOverlaps() {
        for (qsizetype i = 0; i < m_shown.size(); ++i) {
            for (qsizetype j = i + 1; j < m_shown.size(); ++j) {
                const Shown& a = m_shown[i];
                const Shown& b = m_shown[j];
                if (a.overlay || b.overlay || contains(*a.widget, *b.widget) ||
                    contains(*b.widget, *a.widget))
                    continue;
                const QRect common = a.visible & b.visible;
                if (!common.isEmpty())
                    m_problems << QStringLiteral("%1 %2 overlaps %3 %4")
                                      .arg(nameOf(*a.widget), text(a.rect), nameOf(*b.widget),
                                           text(b.rect));
            }
        }
    }

    const QWidget& m_window;
    const QStringList& m_overlays;
    QList<Shown> m_shown;
    QStringList m_problems;
};

} // namespace

QStringList standardOverlays() {
    return {QStringLiteral("Parlino::FadingScrollBar"),
            QStringLiteral("Parlino::JumpToEndChevron")};
}

QStringList layoutProblems(const QWidget& window, const QRect& sheet, const QStringList& overlays) {
    // Lays out what changed since, as the next frame on screen would.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    return Walker(window, overlays).run(sheet.isEmpty() ? window.rect() : sheet);
}

::testing::AssertionResult hasCleanLayout(const QWidget& window, const QRect& sheet,
                                          const QStringList& overlays) {
    const QStringList problems = layoutProblems(window, sheet, overlays);
    if (problems.isEmpty())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << nameOf(window).toStdString() << " is not laid out cleanly:\n  "
           << problems.join(QStringLiteral("\n  ")).toStdString();
}

} // namespace TestSupport
