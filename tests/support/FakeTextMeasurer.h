#pragma once

#include "Parlino/Panel/TextMeasurer.h"

#include <QStringList>

#include <algorithm>

namespace TestSupport {

// Every UTF-16 code unit is `advance` wide and every line `lineHeight` tall (its baseline at 0.8
// of it), whatever the font; a text holding a character of `tall` reaches `extraAscent` higher.
// Remembers the texts it measured.
class FakeTextMeasurer final : public Parlino::TextMeasurer {
public:
    FakeTextMeasurer(qreal advance, qreal lineHeight) : m_advance(advance), m_line(lineHeight) {}

    Parlino::LineMetrics lineMetrics(const QString& text, const QFont&) const override {
        measured << text;
        const bool isTall = std::ranges::any_of(text, [&](QChar c) { return tall.contains(c); });
        return {m_advance * text.size(), m_line * 0.8 + (isTall ? extraAscent : 0), m_line * 0.2};
    }

    mutable QStringList measured;
    QString tall;
    qreal extraAscent = 0;

private:
    qreal m_advance;
    qreal m_line;
};

} // namespace TestSupport
