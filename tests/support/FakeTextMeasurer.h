#pragma once

#include "Parlino/Panel/TextMeasurer.h"

#include <QStringList>

namespace TestSupport {

// Every UTF-16 code unit is `advance` wide and every line `lineHeight` tall, whatever the font;
// remembers the texts it measured.
class FakeTextMeasurer final : public Parlino::TextMeasurer {
public:
    FakeTextMeasurer(qreal advance, qreal lineHeight) : m_advance(advance), m_line(lineHeight) {}

    QSizeF lineSize(const QString& text, const QFont&) const override {
        measured << text;
        return {m_advance * text.size(), m_line};
    }

    mutable QStringList measured;

private:
    qreal m_advance;
    qreal m_line;
};

} // namespace TestSupport
