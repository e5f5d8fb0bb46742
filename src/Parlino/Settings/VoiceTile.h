#pragma once

#include "Parlino/Settings/VoicesContent.h"

#include <QWidget>

namespace Parlino {

class VoiceProfileButton;
struct VoiceViewContext;

// One voice of the voices pane: its round button, its display name cut to one line and, for a
// voice on hold or unavailable, a status line. A tile of the top row also keeps a caption line
// above the button, blank when it has no caption. Pressing the button is `button().clicked`.
class VoiceTile final : public QWidget {
public:
    static constexpr int cellWidth = 72;
    static constexpr qreal diameter = 52;

    VoiceTile(const VoiceTileContent& content, const VoiceViewContext& context,
              bool withCaptionLine, QWidget* parent = nullptr);

    const VoiceTileContent& content() const { return m_content; }
    // Shows new marks of the same voice; the tile keeps the size it was made with.
    void setContent(const VoiceTileContent& content);
    const QString& caption() const { return m_caption; }
    void setCaption(const QString& caption);
    // Only the tiles of the top row have the caption line.
    bool hasCaptionLine() const { return m_withCaptionLine; }

    VoiceProfileButton& button() const { return *m_button; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Shows the content; a selection change fades only when `animated`.
    void apply(const VoiceTileContent& content, bool animated);
    // The top of the circle, below the padding and the caption line.
    int circleTop() const;
    void place();

    VoiceTileContent m_content;
    bool m_withCaptionLine;
    QString m_caption;
    VoiceProfileButton* m_button;
};

// The pane's grid of tiles: fixed columns one tile wide with 10 between them, each row as tall
// as its tallest tile and 12 above the next, tiles at the top of their row.
class VoiceGrid final : public QWidget {
public:
    static constexpr int columnSpacing = 10;
    static constexpr int rowSpacing = 12;

    // The width of a grid of `columns` columns.
    static int width(int columns);

    explicit VoiceGrid(int columns, QWidget* parent = nullptr);

    // Places the tiles, children of the grid, in order and fits the grid around them.
    void lay(const QList<VoiceTile*>& tiles);

private:
    int m_columns;
};

} // namespace Parlino
