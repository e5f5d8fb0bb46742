#include "Parlino/Clips/ClipsView.h"

#include "Parlino/Clips/ClipControls.h"
#include "Parlino/Clips/ClipsList.h"
#include "Parlino/Clips/ClipsViewModel.h"
#include "Parlino/Style/FadingScrollView.h"
#include "Parlino/Style/FocusRest.h"
#include "Parlino/Style/ParlinoGlass.h"
#include "Parlino/Style/Theme.h"

#include <QBoxLayout>
#include <QPainter>

namespace Parlino {

ClipsView::ClipsView(ClipsViewModel& viewModel, bool embedded, qreal topContentInset,
                     const ClipsViewEnvironment& environment, QWidget* parent)
    : QWidget(parent), m_viewModel(viewModel), m_embedded(embedded),
      m_chip(new ClipSpeedChip(environment.keys.playbackRate, environment.motion)),
      m_empty(new ClipsEmptyStateView(environment.keys.saveRecordings)),
      m_scroll(new FadingScrollView(embedded ? JumpToEndPolicy::whileThePointerMoves
                                             : JumpToEndPolicy::whenScrollable,
                                    environment.pointer, environment.motion)),
      m_list(new ClipsList(viewModel, environment)),
      m_rest(new FocusRest(QAccessible::List, QStringLiteral("Audio clips"))) {
    setObjectName(QStringLiteral("ClipsView"));
    setParlinoGround(*this, embedded ? ParlinoGround::glass : ParlinoGround::solid);
    if (!embedded) {
        resize(standaloneSize);
        setMaximumSize(standaloneSize); // smaller only where the screen is
    }

    auto* header = new QHBoxLayout;
    header->setSpacing(embedded ? 0 : 8);
    header->addStretch();
    header->addWidget(m_chip);
    if (embedded)
        header->setContentsMargins(0, qRound(topContentInset), 12, 0);
    else
        header->setContentsMargins(16, 10, 16, 2);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addLayout(header);
    column->addWidget(m_rest, 1);
    // The list's place, whether it shows the clips or says there are none: the focus rests here
    // when the chevron, "Clear all" or the last row goes with it, and stays while the list empties.
    if (embedded) // down to the panel's rounded bottom corners
        m_rest->setRingRadii({FocusRest::ringRadius, FocusRest::ringRadius,
                              Theme::panelRadii.bottomRight, Theme::panelRadii.bottomLeft});
    auto* content = new QVBoxLayout(m_rest);
    content->setContentsMargins(0, 0, 0, 0);
    content->setSpacing(0);
    content->addWidget(m_empty, 1);
    content->addWidget(m_scroll, 1);

    m_scroll->setContent(m_list);
    // The scroll area fills its content with the window colour; the list lies on this view's
    // ground instead.
    m_list->setAutoFillBackground(false);
    const ScrollBarModel& scrolled = m_scroll->model();
    connect(&scrolled, &ScrollBarModel::offsetChanged, this, [this] { publishVisibleArea(); });
    connect(&scrolled, &ScrollBarModel::viewportHeightChanged, this,
            [this] { publishVisibleArea(); });
    connect(m_chip, &QAbstractButton::clicked, this, [this] { m_viewModel.cycleSpeed(); });
    connect(&viewModel, &ClipsViewModel::clipsChanged, this, [this] { showContent(); });
    m_list->onTransitionEnd = [this] { showContent(); };
    m_empty->onMessageChanged = [this] { describeRest(); };
    publishVisibleArea();
    showContent();
}

void ClipsView::showContent() {
    // A list emptied with animation stays up until its last rows have faded out.
    const bool listed = !m_viewModel.clips().isEmpty() || m_list->isTransitioning();
    m_empty->setVisible(!listed);
    m_scroll->setVisible(listed);
    describeRest();
}

// A focus that rests on an emptied list hears that it is empty, as soon as the last clip goes.
void ClipsView::describeRest() {
    m_rest->setAccessibleDescription(m_viewModel.clips().isEmpty() ? m_empty->message()
                                                                   : QString());
}

void ClipsView::publishVisibleArea() {
    const ScrollBarModel& scrolled = m_scroll->model();
    m_list->setVisibleArea(scrolled.offset(), scrolled.viewportHeight());
}

void ClipsView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), m_embedded ? Theme::white045() : Theme::ink());
}

} // namespace Parlino
