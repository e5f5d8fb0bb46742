#pragma once

#include "Parlino/Style/ParlinoButton.h"

#include <QFont>
#include <QUrl>

class QLabel;

namespace Parlino {

// The text sizes and tones of the settings panes.
namespace PaneText {
inline constexpr int body = 13;
inline constexpr int detail = 12;
inline constexpr int caption = 12;
inline constexpr int caption2 = 11;
const QColor& secondary();
const QColor& tertiary();
} // namespace PaneText

// A wrapping line of plain text.
QLabel* paneText(const QString& text, int pixelSize, QFont::Weight weight, const QColor& colour);
// Shows `text` in a pane's label; assistive tools get it without its isolate marks.
void setPaneText(QLabel& label, const QString& text);

// A plain push button of a pane ("Validate & Save", "Refresh"): a bordered label that grows a
// little and brightens under the pointer. A destructive button has a red title. The small size
// is the tighter one of one-line rows such as the panel's cards.
class PaneButton final : public ParlinoButton {
public:
    enum class Role { normal, destructive };
    enum class Size { regular, small };

    PaneButton(const QString& text, Role role, const MotionContext& motion,
               QWidget* parent = nullptr);

    void setControlSize(Size size);
    QSize sizeHint() const override;

protected:
    void paintLabel(QPainter& painter, const QRectF& rect) override;
    void changeEvent(QEvent* event) override;

private:
    Role m_role;
    Size m_size = Size::regular;
};

// An accent-coloured text button that opens `page` in the browser.
ParlinoTextButton* linkButton(const QString& title, const QUrl& page, const MotionContext& motion);

} // namespace Parlino
