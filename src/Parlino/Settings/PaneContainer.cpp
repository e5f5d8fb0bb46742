#include "Parlino/Settings/PaneContainer.h"

#include "Parlino/Style/FadingScrollView.h"

#include <QVBoxLayout>

namespace Parlino {

PaneContainer::PaneContainer(const SettingsServices& services, QWidget* parent)
    : QWidget(parent),
      m_scroll(new FadingScrollView(JumpToEndPolicy::never, services.pointer, services.motion)) {
    setObjectName(QStringLiteral("PaneContainer"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_scroll);

    auto* column = new QWidget;
    m_column = new QVBoxLayout(column);
    m_column->setContentsMargins(sideMargin, 14, sideMargin, 12);
    m_column->setSpacing(14);
    m_column->addStretch();
    m_scroll->setContent(column);
    column->setAutoFillBackground(false); // the scroll area turns it on; the ground shows through
}

void PaneContainer::addCard(QWidget* card) {
    m_column->insertWidget(m_column->count() - 1, card);
}

} // namespace Parlino
