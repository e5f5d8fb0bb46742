#pragma once

#include "Parlino/Style/MotionPreferences.h"

#include <QFont>
#include <QPointF>
#include <QUrl>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPainter;

namespace Parlino {

class ParlinoTextButton;
class PointerMotion;
class VoiceMeshTimeline;
struct SettingsKeys;

// What the voice views need of the application: the motion context of their controls, the one
// frame clock of the moving avatars, the pointer motion of their scroll views and the settings
// that hold the chosen voice.
struct VoiceViewContext {
    MotionContext motion;
    VoiceMeshTimeline& timeline;
    PointerMotion& pointer;
    const SettingsKeys& keys;
};

// The system font at a pixel size.
QFont voiceViewFont(qreal pixelSize, QFont::Weight weight = QFont::Normal);

// A label of plain text in a font and colour, wrapping when `wraps`.
QLabel* plainLabel(const QString& text, const QFont& font, const QColor& colour, bool wraps,
                   QWidget* parent = nullptr);

// The text button in the accent colour that opens a page or switches panes.
ParlinoTextButton* linkButton(const QString& title, const QFont& font, const MotionContext& motion,
                              QWidget* parent = nullptr);

// A page of the speech provider's website.
QUrl providerPage(const QString& path);

// The platform's small indeterminate spinner, eight fading spokes turning once a second, 16
// pixels across before `scale`, centred on `centre`; `seconds` is the current time.
void paintSmallSpinner(QPainter& painter, QPointF centre, qreal scale, double seconds);

// A small spinner that turns on the avatars' frame clock while it is shown.
class SmallSpinner final : public QWidget {
public:
    explicit SmallSpinner(VoiceMeshTimeline& timeline, QWidget* parent = nullptr);
    ~SmallSpinner() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    VoiceMeshTimeline& m_timeline;
};

// The voices search field, "Search your voices", on its rounded, faintly white ground.
class VoiceSearchBox final : public QWidget {
public:
    explicit VoiceSearchBox(QWidget* parent = nullptr);

    QLineEdit& field() const { return *m_field; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* m_field;
};

} // namespace Parlino
