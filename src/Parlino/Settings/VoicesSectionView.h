#pragma once

#include "Parlino/Settings/VoiceViewKit.h"
#include "Parlino/Settings/VoicesContent.h"

#include <QWidget>

#include <stop_token>

namespace Defaults {
class Observable;
}

namespace Parlino {

class VoiceProfileButton;

// One featured voice of the panel: its round button with the name below it, cut to one line,
// and the descriptor in at most two lines. Pressing the button is `button().clicked`.
class VoiceCell final : public QWidget {
public:
    static constexpr qreal diameter = 56;
    static constexpr int textWidth = 112;

    VoiceCell(const VoiceCellContent& content, const VoiceViewContext& context,
              QWidget* parent = nullptr);

    const VoiceCellContent& content() const { return m_content; }
    void setContent(const VoiceCellContent& content);
    VoiceProfileButton& button() const { return *m_button; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Shows the content; a selection change fades only when `animated`.
    void apply(const VoiceCellContent& content, bool animated);
    QRect textBox(int top, int height) const;

    VoiceCellContent m_content;
    VoiceProfileButton* m_button;
};

// The panel's compact voice chooser: up to six featured voices in three columns under the
// panel's header, scrolling when the sheet is shorter than the grid, a spinner while the voices
// load, or a one-line reason when they cannot be listed. It fetches the voices when it comes on
// screen without a list.
class VoicesSectionView final : public QWidget {
public:
    static constexpr int columns = 3;

    VoicesSectionView(VoicesModel& voicesModel, VoiceSamplePlayer& samplePlayer,
                      qreal topContentInset, const VoiceViewContext& context,
                      QWidget* parent = nullptr);
    ~VoicesSectionView() override;

    const VoicesSectionContent& content() const { return m_content; }
    const QList<VoiceCell*>& cells() const { return m_cells; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void refreshContent();
    void rebuild();
    QWidget* makeGrid();
    QWidget* centred(QWidget* widget, Qt::Alignment alignment);

    VoicesModel& m_voicesModel;
    VoiceSamplePlayer& m_samplePlayer;
    VoiceViewContext m_context;
    Defaults::Observable* m_selectedVoice;
    VoicesSectionContent m_content;
    QWidget* m_body = nullptr;
    QList<VoiceCell*> m_cells;
    std::stop_source m_showing;
};

} // namespace Parlino
