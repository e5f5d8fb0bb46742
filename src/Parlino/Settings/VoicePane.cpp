#include "Parlino/Settings/VoicePane.h"

#include "Defaults/Default.h"
#include "Parlino/Settings/PaneContainer.h"
#include "Parlino/Settings/VoiceProfileButton.h"
#include "Parlino/Settings/VoiceTile.h"
#include "Parlino/Style/FocusRest.h"
#include "Parlino/Style/ParlinoButton.h"
#include "Parlino/Style/Theme.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

namespace Parlino {

namespace {

constexpr int stackSpacing = 14;
constexpr qreal secondaryOpacity = 0.55;

// A one-point line across the content.
class Divider final : public QWidget {
public:
    explicit Divider(QWidget* parent) : QWidget(parent) {
        setObjectName(QStringLiteral("VoiceDivider"));
        setFixedHeight(1);
    }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), Theme::white08()); }
};

QPushButton* pushButton(const QString& title, const QString& objectName) {
    auto* button = new QPushButton(title);
    button->setObjectName(objectName);
    return button;
}

QLabel* secondaryLabel(const QString& text, qreal size, qreal opacity = secondaryOpacity) {
    return plainLabel(text, voiceViewFont(size), Theme::white(opacity), true);
}

} // namespace

int VoicePane::contentWidth(bool embedded) {
    return VoiceGrid::width(columns(embedded));
}

int VoicePane::leastWidth(bool embedded) {
    return PaneContainer::sideMargin + contentWidth(embedded) + PaneContainer::sideMargin;
}

VoicePane::VoicePane(const SettingsServices& services, std::function<void()> goToAPIKey,
                     bool embedded, QWidget* parent)
    : QWidget(parent), m_model(services.voices.model), m_samplePlayer(services.voices.samples),
      m_goToAPIKey(std::move(goToAPIKey)),
      m_embedded(embedded), m_context{services.motion, services.voices.timeline, services.pointer,
                                      services.keys},
      m_selectedVoice(new Defaults::Default<QString>(m_context.keys.voiceID, this)),
      m_recentVoices(new Defaults::Default<QStringList>(m_context.keys.recentVoiceIDs, this)),
      m_searchBox(new VoiceSearchBox) {
    setObjectName(QStringLiteral("VoicePane"));
    auto* container = new PaneContainer(services);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(container);

    // The column is as wide as the space allows up to its limit, with equal room either side.
    auto* row = new QWidget;
    auto* rowLayout = new QHBoxLayout(row);
    rowLayout->setContentsMargins(0, 0, 0, 0);
    auto* column = new QWidget(row);
    column->setObjectName(QStringLiteral("VoicePaneColumn"));
    column->setMaximumWidth(contentWidth(embedded));
    rowLayout->addStretch(1);
    rowLayout->addWidget(column, 1000);
    rowLayout->addStretch(1);
    m_column = new QVBoxLayout(column);
    m_column->setContentsMargins(0, 0, 0, 0);
    m_column->setSpacing(stackSpacing);
    m_column->addWidget(m_searchBox);
    m_footer = makeFooter();
    m_column->addWidget(m_footer);
    container->addCard(row);

    connect(&m_searchBox->field(), &QLineEdit::textChanged, this, [this] { refreshContent(); });
    connect(&m_model, &VoicesModel::stateChanged, this, [this] { refreshContent(); });
    connect(&m_samplePlayer, &VoiceSamplePlayer::stateChanged, this, [this] { refreshContent(); });
    connect(m_selectedVoice, &Defaults::Observable::changed, this, [this] { refreshContent(); });
    connect(m_recentVoices, &Defaults::Observable::changed, this, [this] { refreshContent(); });
    m_content = VoicePaneContent::make(m_model.state(), m_samplePlayer.state(),
                                       VoiceChoice::read(m_context.keys), {});
    rebuild();
}

VoicePane::~VoicePane() {
    stopShowing();
}

void VoicePane::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    stopShowing();
    m_showing = std::stop_source();
    VoiceActions::refreshOnShow(m_model, m_showing.get_token());
}

void VoicePane::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    stopShowing();
}

void VoicePane::stopShowing() {
    m_showing.request_stop();
}

void VoicePane::refreshContent() {
    VoicePaneContent content =
        VoicePaneContent::make(m_model.state(), m_samplePlayer.state(),
                               VoiceChoice::read(m_context.keys), m_searchBox->field().text());
    if (content == m_content)
        return;
    const bool sameShape = content.hasSameShape(m_content);
    m_content = std::move(content);
    if (sameShape)
        updateTiles();
    else
        rebuild();
}

void VoicePane::updateTiles() {
    qsizetype index = 0;
    for (const VoiceTopRowEntry& entry : m_content.topRow)
        m_tiles[index++]->setContent(entry.tile);
    for (const VoiceSectionContent& section : m_content.sections)
        for (const VoiceTileContent& tile : section.tiles)
            m_tiles[index++]->setContent(tile);
}

void VoicePane::rebuild() {
    const std::optional<TilePlace> focused = focusedTile();
    m_tiles.clear();
    QWidget* previous = m_body;
    m_body = new QWidget;
    m_body->setObjectName(QStringLiteral("VoicePaneBody"));
    auto* layout = new QVBoxLayout(m_body);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(stackSpacing);
    const bool browsing = m_content.kind == VoicePaneContent::Kind::browser;
    switch (m_content.kind) {
    case VoicePaneContent::Kind::loading:
        layout->addWidget(makeLoadingRow());
        break;
    case VoicePaneContent::Kind::failed:
        addFailure(*layout, *m_content.failure);
        break;
    case VoicePaneContent::Kind::browser:
        addBrowser(*layout);
        break;
    }
    m_column->insertWidget(1, m_body);
    m_body->show();
    if (focused)
        refocus(*focused);
    // What goes leaves a focus it holds on the pane's rest, also while the window is in the
    // background, where hiding would not move it.
    QList<QWidget*> going;
    if (previous)
        going.append(previous);
    if (!browsing)
        going << m_searchBox << m_footer;
    for (const QWidget* part : std::as_const(going))
        FocusRest::takeFocusFrom(*part);
    m_searchBox->setVisible(browsing);
    m_footer->setVisible(browsing);
    // Later, because the press that changed the content may still be running in a tile.
    if (previous) {
        previous->hide();
        previous->deleteLater();
    }
}

std::optional<VoicePane::TilePlace> VoicePane::focusedTile() const {
    const QWidget* focus = window()->focusWidget();
    for (const VoiceTile* tile : m_tiles)
        if (tile->isAncestorOf(focus))
            return TilePlace{tile->content().voice.id, tile->hasCaptionLine()};
    return std::nullopt;
}

// A voice chosen from the keyboard moves into the top row and the pane is made anew: the focus
// stays on the voice, in the row it was pressed in, so that the key pressed again finds the
// same voice.
void VoicePane::refocus(const TilePlace& place) {
    for (VoiceTile* tile : std::as_const(m_tiles))
        if (tile->content().voice.id == place.voiceID && tile->hasCaptionLine() == place.inTopRow) {
            tile->button().setFocus(Qt::OtherFocusReason);
            return;
        }
}

QWidget* VoicePane::makeLoadingRow() {
    auto* row = new QWidget;
    row->setObjectName(QStringLiteral("VoicesLoadingRow"));
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(new SmallSpinner(m_context.timeline));
    layout->addWidget(secondaryLabel(QStringLiteral("Loading voices…"), 12));
    layout->addStretch();
    return row;
}

void VoicePane::addFailure(QVBoxLayout& layout, const VoicePaneFailure& failure) {
    QLabel* message =
        plainLabel(failure.message, voiceViewFont(12),
                   failure.isAlarming ? Theme::red85() : Theme::white(secondaryOpacity), true);
    message->setObjectName(QStringLiteral("VoicesFailureMessage"));
    layout.addWidget(message);
    switch (failure.control) {
    case VoicePaneFailure::Control::none:
        break;
    case VoicePaneFailure::Control::goToAPIKey: {
        auto* link =
            linkButton(QStringLiteral("Go to API Key ↗"), voiceViewFont(13), m_context.motion);
        link->setObjectName(QStringLiteral("GoToAPIKey"));
        connect(link, &QAbstractButton::clicked, this, [this] {
            if (m_goToAPIKey)
                m_goToAPIKey();
        });
        layout.addWidget(link, 0, Qt::AlignLeft);
        break;
    }
    case VoicePaneFailure::Control::retry: {
        QPushButton* retry = pushButton(QStringLiteral("Retry"), QStringLiteral("RetryVoices"));
        connect(retry, &QAbstractButton::clicked, this,
                [this] { VoiceActions::refreshUnlessLoading(m_model); });
        layout.addWidget(retry, 0, Qt::AlignLeft);
        break;
    }
    }
}

void VoicePane::addBrowser(QVBoxLayout& layout) {
    if (m_content.showsOnHoldBanner)
        layout.addWidget(makeBanner());
    if (m_content.showsNoMatch()) {
        QLabel* none = secondaryLabel(QStringLiteral("No voices match"), 11, 0.45);
        none->setObjectName(QStringLiteral("NoVoicesMatch"));
        layout.addWidget(none);
    }
    if (!m_content.topRow.isEmpty()) {
        QList<VoiceTileContent> tiles;
        QStringList captions;
        for (const VoiceTopRowEntry& entry : m_content.topRow) {
            tiles.append(entry.tile);
            captions.append(entry.caption.value_or(QString()));
        }
        layout.addWidget(makeGrid(tiles, captions));
        if (!m_content.sections.isEmpty())
            layout.addWidget(new Divider(m_body));
    }
    for (qsizetype i = 0; i < m_content.sections.size(); ++i) {
        const VoiceSectionContent& section = m_content.sections[i];
        auto* block = new QWidget;
        block->setObjectName(QStringLiteral("VoiceSection"));
        block->setAccessibleName(section.header());
        auto* blockLayout = new QVBoxLayout(block);
        blockLayout->setContentsMargins(0, 0, 0, 0);
        blockLayout->setSpacing(10);
        blockLayout->addWidget(secondaryLabel(section.header(), 11));
        blockLayout->addWidget(makeGrid(section.tiles), 0, Qt::AlignLeft);
        layout.addWidget(block);
        if (i + 1 < m_content.sections.size())
            layout.addWidget(new Divider(m_body));
    }
}

QWidget* VoicePane::makeBanner() {
    auto* banner = new QWidget;
    banner->setObjectName(QStringLiteral("OnHoldBanner"));
    auto* layout = new QVBoxLayout(banner);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(secondaryLabel(QStringLiteral("ElevenLabs has some of your voices on hold — "
                                                    "they won't play until the hold is lifted."),
                                     11, 0.7));
    auto* link = linkButton(QStringLiteral("Open your ElevenLabs voices ↗"), voiceViewFont(11),
                            m_context.motion);
    link->setObjectName(QStringLiteral("OpenYourVoices"));
    connect(link, &QAbstractButton::clicked, this,
            [] { QDesktopServices::openUrl(providerPage(QStringLiteral("/app/voices"))); });
    layout->addWidget(link, 0, Qt::AlignLeft);
    return banner;
}

QWidget* VoicePane::makeGrid(const QList<VoiceTileContent>& tiles, const QStringList& captions) {
    auto* grid = new VoiceGrid(columns(m_embedded));
    QList<VoiceTile*> made;
    made.reserve(tiles.size());
    for (qsizetype i = 0; i < tiles.size(); ++i) {
        auto* tile = new VoiceTile(tiles[i], m_context, !captions.isEmpty(), grid);
        if (!captions.isEmpty())
            tile->setCaption(captions[i]);
        connect(&tile->button(), &QAbstractButton::clicked, this,
                [this, tile] { press(tile->content().voice); });
        made.append(tile);
    }
    grid->lay(made);
    m_tiles.append(made);
    return grid;
}

QWidget* VoicePane::makeFooter() {
    auto* footer = new QWidget;
    footer->setObjectName(QStringLiteral("VoicePaneFooter"));
    auto* layout = new QHBoxLayout(footer);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* browse =
        linkButton(QStringLiteral("Browse thousands more ↗"), voiceViewFont(11), m_context.motion);
    browse->setObjectName(QStringLiteral("BrowseVoiceLibrary"));
    connect(browse, &QAbstractButton::clicked, this,
            [] { QDesktopServices::openUrl(providerPage(QStringLiteral("/app/voice-library"))); });
    layout->addWidget(browse);
    layout->addStretch();
    QPushButton* refresh = pushButton(QStringLiteral("Refresh"), QStringLiteral("RefreshVoices"));
    connect(refresh, &QAbstractButton::clicked, this,
            [this] { VoiceActions::refreshUnlessLoading(m_model); });
    layout->addWidget(refresh);
    return footer;
}

void VoicePane::press(TTS::Voice voice) {
    VoiceActions::press(voice, m_samplePlayer, m_context.keys);
}

} // namespace Parlino
