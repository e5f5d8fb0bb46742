#include "Parlino/Panel/FailureRows.h"

#include "Parlino/Settings/PaneControls.h"
#include "Parlino/Style/Theme.h"

#include <QBoxLayout>
#include <QLabel>

namespace Parlino {

namespace {

QFont pixelFont(int size) {
    QFont font;
    font.setPixelSize(size);
    return font;
}

} // namespace

// The row's one line of text: as wide as the whole message where there is room, else cut with
// "…" at the right edge; the whole message stays its tool tip and accessible name.
class FailureMessage final : public QLabel {
public:
    explicit FailureMessage(QWidget* parent) : QLabel(parent) {}

    const QString& message() const { return m_message; }
    void setMessage(const QString& message) {
        m_message = message;
        setToolTip(message);
        setAccessibleName(message);
        showElided();
        updateGeometry();
    }

    QSize sizeHint() const override {
        return {fontMetrics().horizontalAdvance(m_message) + 1, QLabel::sizeHint().height()};
    }
    QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QLabel::resizeEvent(event);
        showElided();
    }

private:
    void showElided() { setText(fontMetrics().elidedText(m_message, Qt::ElideRight, width())); }

    QString m_message;
};

FailureRow::FailureRow(Kind kind, const MotionContext& motion, QWidget* parent)
    : QWidget(parent), m_message(new FailureMessage(this)),
      m_button(new PaneButton({}, PaneButton::Role::normal, motion, this)) {
    setObjectName(kind == Kind::captureCard ? QStringLiteral("CaptureFailureCard")
                  : kind == Kind::stallRow  ? QStringLiteral("StallRow")
                                            : QStringLiteral("SaveFailureRow"));
    m_message->setObjectName(QStringLiteral("FailureMessage"));
    m_message->setTextFormat(Qt::PlainText);
    m_message->setFont(pixelFont(12));
    QPalette palette = m_message->palette();
    palette.setColor(QPalette::WindowText, Theme::white(1));
    m_message->setPalette(palette);
    m_button->setObjectName(kind == Kind::captureCard ? QStringLiteral("CardActionButton")
                                                      : QStringLiteral("StallActionButton"));
    m_button->setControlSize(PaneButton::Size::small);
    connect(m_button, &QAbstractButton::clicked, this, [this] {
        if (onAction)
            onAction();
    });
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 0, 14, 0);
    layout->setSpacing(10);
    if (kind == Kind::captureCard) {
        // The card's text and button sit together in the middle.
        layout->addStretch();
        layout->addWidget(m_message);
        layout->addWidget(m_button);
        layout->addStretch();
    } else {
        layout->addWidget(m_message, 1);
        layout->addWidget(m_button);
    }
}

void FailureRow::showCapture(const Core::CaptureError& error) {
    m_message->setMessage(PanelMessages::captureFailure(error));
    setButton(PanelMessages::offersAccessibilitySettings(error) ? tr("Open Settings") : QString());
}

void FailureRow::showStall(const PlayerViewModel::Phase& phase) {
    const PanelMessages::StallRow row = PanelMessages::stallRow(phase);
    m_message->setMessage(row.message);
    setButton(PanelMessages::stallActionTitle(row.action));
}

void FailureRow::showSaveFailure(const QString& message) {
    m_message->setMessage(message);
    setButton({});
}

QString FailureRow::message() const {
    return m_message->message();
}

QString FailureRow::actionTitle() const {
    return m_button->isHidden() ? QString() : m_button->text();
}

void FailureRow::setButton(const QString& title) {
    m_button->setText(title);
    m_button->setAccessibleName(title);
    m_button->setHidden(title.isEmpty());
    m_button->updateGeometry();
}

} // namespace Parlino
