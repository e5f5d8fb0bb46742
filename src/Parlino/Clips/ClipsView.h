#pragma once

#include "Parlino/Clips/ClipsViewEnvironment.h"

#include <QWidget>

namespace Parlino {

class ClipSpeedChip;
class ClipsEmptyStateView;
class ClipsList;
class ClipsViewModel;
class FadingScrollView;
class FocusRest;

// One clips list: a header with the speed chip, then the saved clips in a fading scroll view,
// or a message while there are none. Embedded in the panel it sits on the glass below
// `topContentInset`; standalone it is 520 × 620 on the solid dark ground. Everything it shows
// comes from its model.
class ClipsView final : public QWidget {
public:
    static constexpr QSize standaloneSize{520, 620};

    ClipsView(ClipsViewModel& viewModel, bool embedded, qreal topContentInset,
              const ClipsViewEnvironment& environment, QWidget* parent = nullptr);

    bool isEmbedded() const { return m_embedded; }
    ClipSpeedChip& speedChip() const { return *m_chip; }
    ClipsEmptyStateView& emptyState() const { return *m_empty; }
    FadingScrollView& scrollView() const { return *m_scroll; }
    ClipsList& list() const { return *m_list; }
    // Where the keyboard focus rests when a control of the list goes with its action.
    FocusRest& rest() const { return *m_rest; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void showContent();
    void describeRest();
    void publishVisibleArea();

    ClipsViewModel& m_viewModel;
    bool m_embedded;
    ClipSpeedChip* m_chip;
    ClipsEmptyStateView* m_empty;
    FadingScrollView* m_scroll;
    ClipsList* m_list;
    FocusRest* m_rest;
};

} // namespace Parlino
