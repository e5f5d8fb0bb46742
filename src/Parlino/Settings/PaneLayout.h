#pragma once

#include <QList>
#include <QString>
#include <QWidget>

class QLayout;

// How a settings pane lays out its cards: titled cards stacked in a scrolling column.
namespace Parlino::PaneLayout {

// A card with a title above `content`; the card takes the layout.
QWidget* card(const QString& title, QLayout* content);

// Fills `pane` with a scrolling column of the cards.
void fill(QWidget& pane, const QList<QWidget*>& cards);

} // namespace Parlino::PaneLayout
