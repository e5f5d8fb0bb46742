#pragma once

#include "Parlino/Panel/OpenURL.h"
#include "Parlino/Panel/SurfaceReveal.h"
#include "Parlino/Style/FrameDriver.h"

#include <QLocale>
#include <QWidget>

#include <functional>

class QLabel;

namespace Parlino {

class ActiveWarning;
class ParlinoTextButton;
class WarningGeometryBox;
class WarningModel;

// What the pill says about a warning: its line, the title of the button that opens the page
// that helps (empty: no button) and that page.
struct WarningPopupContent {
    QString text;
    QString primaryTitle;
    QUrl page;

    friend bool operator==(const WarningPopupContent&, const WarningPopupContent&) = default;
};

// The content for `warning`; a count of characters left is written with the grouping of
// `locale`, even a locale that writes none by default.
WarningPopupContent warningPopupContent(const ActiveWarning& warning,
                                        const QLocale& locale = QLocale());

// The service's page where the user changes plan.
QUrl subscriptionPage();

// The red pill under the notch that tells the user the key is missing or the allowance nearly
// spent: one line, a button that opens the page that helps, and a round dismiss button. It
// slides down from its window's upper half and back up; under Reduce Motion it fades in place.
class WarningPopupView final : public QWidget {
public:
    // `onPrimary` runs after the primary button opened its page; `onClose` is the dismiss button.
    WarningPopupView(WarningModel& warningModel, WarningGeometryBox& geometry,
                     const MotionContext& motion, std::function<void()> onPrimary,
                     std::function<void()> onClose, QWidget* parent = nullptr);
    ~WarningPopupView() override;

    // Opens the primary button's page.
    OpenURL openURL = openInBrowser;

    // The pill as placed now, in the view's coordinates.
    QRectF pillRect() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    class Pill;
    class DismissButton;
    void showWarning();
    void placePill();

    WarningModel& m_warningModel;
    WarningGeometryBox& m_geometry;
    std::function<void()> m_onPrimary;
    std::function<void()> m_onClose;
    SurfaceReveal m_reveal;
    Pill* m_pill;
    QLabel* m_text;
    ParlinoTextButton* m_primary;
    FrameDriver m_frames;
};

} // namespace Parlino
