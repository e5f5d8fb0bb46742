#pragma once

#include <QFont>
#include <QString>

class QTextEdit;
class QWidget;

namespace Parlino {

// A block of the transcript shown as plain text: read-only text on the panel's glass that the
// mouse selects, wrapped as text views wrap (a word wider than a line is broken over lines), as
// tall as its text and never scrolling.
namespace PlainTextBlock {

QTextEdit* make(const QString& text, const QFont& font, QWidget* parent);

// How tall `text` stands in a block `width` wide, measured before the block is shown.
qreal height(const QString& text, const QFont& font, int width);

} // namespace PlainTextBlock

} // namespace Parlino
