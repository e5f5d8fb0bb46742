#include "Parlino/Panel/PanelHeader.h"

#include "Parlino/Panel/EscPillButton.h"
#include "Parlino/Panel/NavCircleButton.h"
#include "Parlino/Panel/PanelMessages.h"
#include "Parlino/Services/AudioOutput.h"
#include "Parlino/Services/PlayerViewModel.h"
#include "Parlino/Services/WarningModel.h"
#include "Parlino/Style/Theme.h"

#include <algorithm>

namespace Parlino {

namespace {

using Mode = PanelContentMode;

NavCircleLook pageLook(const char* symbol, bool active) {
    return {.systemImage = QLatin1String(symbol),
            .isActive = active,
            .activeTint = Qt::white,
            .hoverTint = std::nullopt,
            .bubble = NavCircleBubble::always};
}

NavCircleLook muteLook(bool muted) {
    return {.systemImage = muted ? QStringLiteral("speaker.slash.fill")
                                 : QStringLiteral("speaker.wave.2.fill"),
            .isActive = muted,
            .activeTint = Theme::red85(),
            .hoverTint = QColor(Qt::white),
            .bubble = NavCircleBubble::whenLit};
}

NavCircleLook pinLook(bool pinned) {
    return {.systemImage = pinned ? QStringLiteral("pin.fill") : QStringLiteral("pin"),
            .isActive = pinned,
            .activeTint = Theme::accent(),
            .hoverTint = std::nullopt,
            .bubble = NavCircleBubble::always};
}

} // namespace

PanelHeader::PanelHeader(PlayerViewModel& model, WarningModel* warnings, AudioOutput* audio,
                         const MotionContext& motion, QWidget* parent)
    : QWidget(parent), m_model(model), m_warnings(warnings), m_audio(audio),
      m_settings(new NavCircleButton({}, {}, motion, this)),
      m_voices(new NavCircleButton({}, {}, motion, this)),
      m_clips(new NavCircleButton({}, {}, motion, this)),
      m_mute(new NavCircleButton({}, {}, motion, this)),
      m_pin(new NavCircleButton({}, {}, motion, this)),
      m_warning(new WarningNavCircleButton(motion, this)),
      m_escPill(new EscPillButton(motion, this)) {
    setObjectName(QStringLiteral("PanelHeader"));
    setAttribute(Qt::WA_TranslucentBackground);
    m_settings->setObjectName(QStringLiteral("SettingsButton"));
    m_voices->setObjectName(QStringLiteral("VoicesButton"));
    m_clips->setObjectName(QStringLiteral("ClipsButton"));
    m_mute->setObjectName(QStringLiteral("MuteButton"));
    m_pin->setObjectName(QStringLiteral("PinButton"));
    m_warning->setObjectName(QStringLiteral("WarningButton"));
    const QList<QWidget*> tabOrder{m_settings, m_voices,  m_clips,  m_mute,
                                   m_pin,      m_escPill, m_warning};
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);

    // The page buttons are checked while their page is open, so that assistive tools say so. A
    // click or an assistive tool's toggle checks or unchecks one first; the open page decides.
    const auto pageButton = [this](NavCircleButton* button, void (PlayerViewModel::*toggle)()) {
        button->setCheckable(true);
        connect(button, &QAbstractButton::toggled, this, [this, button, toggle](bool checked) {
            if (checked == button->look().isActive)
                return;
            (m_model.*toggle)();
            showState();
        });
    };
    pageButton(m_settings, &PlayerViewModel::toggleSettings);
    pageButton(m_voices, &PlayerViewModel::toggleVoices);
    pageButton(m_clips, &PlayerViewModel::toggleClips);
    connect(m_pin, &QAbstractButton::clicked, this,
            [this] { m_model.setPinned(!m_model.isPinned()); });
    connect(m_mute, &QAbstractButton::clicked, this, [this] {
        if (m_audio)
            m_audio->setMuted(!m_audio->isMuted());
    });
    connect(m_warning, &QAbstractButton::clicked, this, [this] {
        if (onWarningTapped)
            onWarningTapped();
    });
    connect(m_escPill, &QAbstractButton::clicked, this, [this] {
        if (m_model.onClose)
            m_model.onClose();
    });

    const auto refresh = [this] { showState(); };
    for (const auto signal : {&PlayerViewModel::phaseChanged, &PlayerViewModel::contentModeChanged,
                              &PlayerViewModel::isPinnedChanged})
        connect(&model, signal, this, refresh);
    if (warnings)
        connect(warnings, &WarningModel::currentChanged, this, refresh);
    if (audio)
        connect(audio, &AudioOutput::isMutedChanged, this, refresh);
    showState();
}

void PanelHeader::setTopContentInset(qreal inset) {
    m_topContentInset = inset;
    layOutButtons();
}

bool PanelHeader::showsChrome() const {
    return !PanelSizing::isCardPhase(m_model.phase().kind());
}

bool PanelHeader::showsWarningRow() const {
    return showsChrome() && m_warnings && m_warnings->current() != ActiveWarning::none();
}

QWidget& PanelHeader::firstButton() const {
    if (showsChrome())
        return *m_settings;
    return *m_escPill;
}

void PanelHeader::showState() {
    const Mode mode = m_model.contentMode();
    m_settings->setLook(pageLook("gearshape", mode == Mode::settings), tr("Settings"));
    m_voices->setLook(pageLook("waveform", mode == Mode::voices), tr("Voices"));
    m_clips->setLook(pageLook("music.note.list", mode == Mode::clips), tr("Audio Clips"));
    for (NavCircleButton* page : {m_settings, m_voices, m_clips})
        page->setChecked(page->look().isActive);
    const bool muted = m_audio && m_audio->isMuted();
    m_mute->setLook(muteLook(muted), muted ? tr("Unmute Parlino") : tr("Mute Parlino"));
    const bool pinned = m_model.isPinned();
    m_pin->setLook(pinLook(pinned), pinned ? tr("Unpin") : tr("Pin panel open"));
    if (m_warnings) {
        const ActiveWarning& warning = m_warnings->current();
        m_warning->setSystemImage(PanelMessages::warningSymbol(warning));
        m_warning->setAccessibleName(PanelMessages::warningLabel(warning));
        m_warning->setToolTip(m_warning->accessibleName());
    }

    const bool chrome = showsChrome();
    for (QWidget* button : {m_settings, m_voices, m_clips, m_pin})
        button->setVisible(chrome);
    m_mute->setVisible(chrome && m_audio);
    m_warning->setVisible(showsWarningRow());
    layOutButtons();
}

void PanelHeader::layOutButtons() {
    const int side = int(buttonSide);
    const int top = int(PanelSizing::headerTopPadding(m_topContentInset));
    int left = int(sidePadding);
    for (QWidget* button : {m_settings, m_voices, m_clips}) {
        button->setGeometry(left, top, side, side);
        left += side + int(spacing);
    }
    m_warning->setGeometry(int(sidePadding), top + side + int(spacing), side, side);

    const QSize pill = m_escPill->sizeHint();
    int right = width() - int(sidePadding) - pill.width();
    m_escPill->setGeometry(right, top + (side - pill.height()) / 2, pill.width(), pill.height());
    for (QWidget* button : {m_pin, m_mute}) {
        if (button->isHidden())
            continue;
        right -= int(spacing) + side;
        button->setGeometry(right, top, side, side);
    }
}

void PanelHeader::resizeEvent(QResizeEvent*) {
    layOutButtons();
}

} // namespace Parlino
