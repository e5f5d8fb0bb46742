#include "Parlino/Settings/VoiceTile.h"

#include "Parlino/Settings/VoiceProfileButton.h"
#include "Parlino/Settings/VoiceViewKit.h"
#include "Parlino/Style/Theme.h"

#include <QFontMetrics>
#include <QPainter>

namespace Parlino {

namespace {

constexpr int verticalPadding = 6;
constexpr int horizontalPadding = 2;
constexpr int spacing = 5;
constexpr int captionSpacing = 10;
constexpr qreal captionOpacity = 0.55;
constexpr qreal statusOpacity = 0.4;

const QFont& captionFont() {
    static const QFont font = voiceViewFont(11);
    return font;
}
const QFont& nameFont() {
    static const QFont font = voiceViewFont(11);
    return font;
}
const QFont& statusFont() {
    static const QFont font = voiceViewFont(9);
    return font;
}

QColor nameColour(const VoiceTileContent& content) {
    if (content.isSelected)
        return Qt::white;
    return Theme::white(content.isUnavailable || content.isOnHold ? 0.5 : 0.75);
}

} // namespace

VoiceTile::VoiceTile(const VoiceTileContent& content, const VoiceViewContext& context,
                     bool withCaptionLine, QWidget* parent)
    : QWidget(parent), m_withCaptionLine(withCaptionLine),
      m_button(new VoiceProfileButton(content.voice.id, diameter, context.motion, context.timeline,
                                      this)) {
    setObjectName(QStringLiteral("VoiceTile"));
    apply(content, false);
    place();
}

void VoiceTile::setContent(const VoiceTileContent& content) {
    apply(content, true);
}

void VoiceTile::apply(const VoiceTileContent& content, bool animated) {
    m_content = content;
    m_button->setVoiceID(content.voice.id);
    m_button->setSelected(content.isSelected, animated);
    m_button->setAvailability(content.availability());
    m_button->setLoading(content.isLoading);
    m_button->setPlaying(content.isPlaying);
    m_button->setAccessibleName(content.accessibleName());
    setAccessibleName(content.accessibleName());
    update();
}

void VoiceTile::setCaption(const QString& caption) {
    m_caption = caption;
    update();
}

int VoiceTile::circleTop() const {
    const int caption =
        m_withCaptionLine ? QFontMetrics(captionFont()).height() + captionSpacing : 0;
    return caption + verticalPadding;
}

void VoiceTile::place() {
    const int margin = int(m_button->metrics().margin);
    m_button->move((cellWidth - m_button->width()) / 2, circleTop() - margin);
    int height = circleTop() + int(diameter) + spacing + QFontMetrics(nameFont()).height();
    if (m_content.status())
        height += spacing + QFontMetrics(statusFont()).height();
    setFixedSize(cellWidth, height + verticalPadding);
}

void VoiceTile::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int textWidth = cellWidth - 2 * horizontalPadding;
    if (m_withCaptionLine && !m_caption.isEmpty()) {
        const QFontMetrics metrics(captionFont());
        painter.setFont(captionFont());
        painter.setPen(Theme::white(captionOpacity));
        painter.drawText(QRect(0, 0, cellWidth, metrics.height()),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         metrics.elidedText(m_caption, Qt::ElideRight, cellWidth));
    }
    int y = circleTop() + int(diameter) + spacing;
    const QFontMetrics names(nameFont());
    painter.setFont(nameFont());
    painter.setPen(nameColour(m_content));
    painter.drawText(QRect(horizontalPadding, y, textWidth, names.height()),
                     Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine,
                     names.elidedText(m_content.displayName(), Qt::ElideRight, textWidth));
    if (const auto status = m_content.status()) {
        y += names.height() + spacing;
        const QFontMetrics statuses(statusFont());
        painter.setFont(statusFont());
        painter.setPen(Theme::white(statusOpacity));
        painter.drawText(QRect(horizontalPadding, y, textWidth, statuses.height()),
                         Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine,
                         statuses.elidedText(*status, Qt::ElideRight, textWidth));
    }
}

int VoiceGrid::width(int columns) {
    return columns * VoiceTile::cellWidth + (columns - 1) * columnSpacing;
}

VoiceGrid::VoiceGrid(int columns, QWidget* parent) : QWidget(parent), m_columns(columns) {
    setObjectName(QStringLiteral("VoiceGrid"));
}

void VoiceGrid::lay(const QList<VoiceTile*>& tiles) {
    int top = 0;
    for (qsizetype first = 0; first < tiles.size(); first += m_columns) {
        const QList<VoiceTile*> row = tiles.mid(first, m_columns);
        int height = 0;
        for (qsizetype column = 0; column < row.size(); ++column) {
            row[column]->move(int(column) * (VoiceTile::cellWidth + columnSpacing), top);
            height = std::max(height, row[column]->height());
        }
        top += height + rowSpacing;
    }
    setFixedSize(width(m_columns), std::max(0, top - rowSpacing));
}

} // namespace Parlino
