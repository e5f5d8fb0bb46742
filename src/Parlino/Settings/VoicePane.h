#pragma once

#include "Parlino/Settings/SettingsServices.h"
#include "Parlino/Settings/VoiceViewKit.h"
#include "Parlino/Settings/VoicesContent.h"

#include <QWidget>

#include <functional>
#include <optional>
#include <stop_token>

class QVBoxLayout;

namespace Defaults {
class Observable;
}

namespace Parlino {

class VoiceTile;

// The settings pane of voices: the full browser of the account's voices. It fetches the list
// when it is shown without one, shows the fetch's progress or failure, and once loaded a search
// field, the top row of the current and recent voices, the "Built-in" and "Your Voices" grids,
// a banner while voices on hold are shown, and a footer. It is rebuilt from VoicePaneContent
// whenever the model, the sample player, the chosen voices or the search change; changes that
// keep every tile in place only update the tiles. A rebuild leaves the focus on the voice it was
// on.
class VoicePane final : public QWidget {
public:
    // Grid columns and the width of the content column: 6 and 482 in the settings window, 3 and
    // 236 inside the floating panel.
    static int columns(bool embedded) { return embedded ? 3 : 6; }
    static int contentWidth(bool embedded);
    // The least width that shows the content column whole across.
    static int leastWidth(bool embedded);

    // `goToAPIKey` switches the settings to the API key pane.
    VoicePane(const SettingsServices& services, std::function<void()> goToAPIKey, bool embedded,
              QWidget* parent = nullptr);
    ~VoicePane() override;

    const VoicePaneContent& content() const { return m_content; }
    QLineEdit& searchField() const { return m_searchBox->field(); }
    // Every tile shown, the top row's first.
    const QList<VoiceTile*>& tiles() const { return m_tiles; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // Where a tile stands: its voice, and whether in the top row or in a section.
    struct TilePlace {
        QString voiceID;
        bool inTopRow = false;
    };

    void refreshContent();
    void rebuild();
    std::optional<TilePlace> focusedTile() const;
    void refocus(const TilePlace& place);
    void updateTiles();
    QWidget* makeLoadingRow();
    void addFailure(QVBoxLayout& layout, const VoicePaneFailure& failure);
    void addBrowser(QVBoxLayout& layout);
    QWidget* makeBanner();
    // Captions, one per tile, give every tile a caption line; none for the sections.
    QWidget* makeGrid(const QList<VoiceTileContent>& tiles, const QStringList& captions = {});
    QWidget* makeFooter();
    void press(TTS::Voice voice);
    void stopShowing();

    VoicesModel& m_model;
    VoiceSamplePlayer& m_samplePlayer;
    std::function<void()> m_goToAPIKey;
    bool m_embedded;
    VoiceViewContext m_context;
    Defaults::Observable* m_selectedVoice;
    Defaults::Observable* m_recentVoices;
    VoicePaneContent m_content;
    VoiceSearchBox* m_searchBox;
    QWidget* m_body = nullptr;
    QWidget* m_footer;
    QVBoxLayout* m_column;
    QList<VoiceTile*> m_tiles;
    std::stop_source m_showing;
};

} // namespace Parlino
