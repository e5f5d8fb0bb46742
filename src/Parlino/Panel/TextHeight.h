#pragma once

#include "Parlino/Panel/TextMeasurer.h"
#include "Parlino/Services/PanelFontChoice.h"
#include "Parlino/Services/TranscriptCaseChoice.h"

#include <QFont>
#include <QString>

#include <optional>

namespace Parlino {

// How tall `text` stands when its words are wrapped to `width` in `font` as the transcript's
// word chips flow, paragraph by paragraph, without laying out a view: lines 5 pt apart,
// paragraphs 8 pt apart, the total rounded up plus an 8 pt margin. A word wider than the width is
// broken over lines.
qreal measureTextHeight(const QString& text, const QFont& font, qreal width,
                        const TextMeasurer& measurer);

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
// kept height without measuring, whatever text is passed. Main thread only.
class TextHeightCache {
public:
    explicit TextHeightCache(const TextMeasurer& measurer) : m_measurer(measurer) {}

    // The height of `text` shown in the key's case and font, at the key's width.
    qreal height(const TextMeasurementKey& key, const QString& text);

private:
    struct Entry {
        TextMeasurementKey key;
        qreal height;
    };

    const TextMeasurer& m_measurer;
    std::optional<Entry> m_entry;
};

} // namespace Parlino
