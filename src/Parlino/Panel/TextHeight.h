#pragma once

#include "Parlino/Panel/TextMeasurer.h"
#include "Parlino/Services/PanelFontChoice.h"
#include "Parlino/Services/TranscriptCaseChoice.h"

#include <QFont>
#include <QString>

#include <limits>
#include <optional>

namespace Parlino {

// How tall `text`, shown in `caseChoice`, stands when its words are wrapped to `width` in `font`
// as the transcript's word chips flow, paragraph by paragraph, without laying out a view: lines
// 5 pt apart, paragraphs 8 pt apart, the total rounded up plus an 8 pt margin. A word wider than
// the width is broken over lines. The text is read only until its height passes `limit`: a
// taller text gets a height above `limit`, not its own, so that measuring costs what the limit
// holds, not the text's length.
qreal measureTextHeight(const QString& text, TranscriptCaseChoice caseChoice, const QFont& font,
                        qreal width, const TextMeasurer& measurer,
                        qreal limit = std::numeric_limits<qreal>::infinity());

// What a transcript measurement depends on; the epoch changes whenever the text is replaced.
struct TextMeasurementKey {
    qint64 textEpoch = 0;
    qreal fontSize = 0;
    PanelFontChoice fontDesign = PanelFontChoice::sfPro;
    TranscriptCaseChoice caseChoice = TranscriptCaseChoice::preserve;
    qreal width = 0;

    friend bool operator==(const TextMeasurementKey&, const TextMeasurementKey&) = default;
};

// The transcript's height, measured once per key: asking again under an equal key returns the
// kept height without measuring, whatever text is passed. A text taller than `limit` is
// measured only until it passes it. Main thread only.
class TextHeightCache {
public:
    TextHeightCache(const TextMeasurer& measurer, qreal limit)
        : m_measurer(measurer), m_limit(limit) {}

    // The height of `text` shown in the key's case and font, at the key's width.
    qreal height(const TextMeasurementKey& key, const QString& text);

private:
    struct Entry {
        TextMeasurementKey key;
        qreal height;
    };

    const TextMeasurer& m_measurer;
    qreal m_limit;
    std::optional<Entry> m_entry;
};

} // namespace Parlino
