#pragma once

#include "Parlino/Settings/SettingsServices.h"

#include <QWidget>

class QVBoxLayout;

namespace Parlino {

class FadingScrollView;

// The scrolling column of a settings pane: its cards from the top, under a fading scroll bar.
class PaneContainer final : public QWidget {
public:
    // Room either side of the cards.
    static constexpr int sideMargin = 18;

    PaneContainer(const SettingsServices& services, QWidget* parent = nullptr);

    void addCard(QWidget* card);
    FadingScrollView& scrollView() const { return *m_scroll; }

private:
    FadingScrollView* m_scroll;
    QVBoxLayout* m_column;
};

} // namespace Parlino
