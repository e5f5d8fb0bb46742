#pragma once

#include "Parlino/Panel/PanelMessages.h"
#include "Parlino/Style/MotionPreferences.h"

#include <QWidget>

#include <functional>

namespace Parlino {

class FailureMessage;
class PaneButton;

// One line of the reading panel naming a failure, with at most one small button after the
// text: the capture-failure card (centred), the stall row (text leading, button trailing) or the
// save-failure row (the stall row's look, without a button).
// The button's press goes to `onAction`; the row does not know what it does. A message too long
// for the line ends in "…" and shows whole in its tool tip.
class FailureRow final : public QWidget {
public:
    enum class Kind { captureCard, stallRow, saveFailureRow };
    static constexpr int stallRowHeight = 28;

    FailureRow(Kind kind, const MotionContext& motion, QWidget* parent = nullptr);

    // The capture-failure card's text; "Open Settings" only for a refused permission.
    void showCapture(const Core::CaptureError& error);
    // The stall row: the service failure's text, "Retry" or "Revert" at the trailing end.
    void showStall(const PlayerViewModel::Phase& phase);
    // The save-failure row: why the read could not be saved.
    void showSaveFailure(const QString& message);

    QString message() const;
    // The button's title, empty while it is hidden.
    QString actionTitle() const;

    std::function<void()> onAction;

private:
    void setButton(const QString& title);

    FailureMessage* m_message;
    PaneButton* m_button;
};

} // namespace Parlino
