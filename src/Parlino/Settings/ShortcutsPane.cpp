#include "Parlino/Settings/ShortcutsPane.h"

#include "Defaults/Widgets/Toggle.h"
#include "KeyboardShortcuts/Recorder.h"
#include "Parlino/Services/AppShortcutNames.h"
#include "Parlino/Settings/PaneControls.h"
#include "Parlino/Settings/SettingsServices.h"
#include "Parlino/Style/ArmedButton.h"
#include "Parlino/Style/Theme.h"

#include <QCheckBox>

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>
#include <algorithm>

namespace Parlino {

namespace {

namespace Names = AppShortcutNames;

// The red note that nothing can start a read.
class Warning final : public QWidget {
public:
    Warning() {
        setObjectName(QStringLiteral("NothingCanStartWarning"));
        auto* row = new QHBoxLayout(this);
        row->setContentsMargins(10, 10, 10, 10);
        row->setSpacing(8);
        row->addWidget(new PaneWidgets::Symbol(QStringLiteral("exclamationmark.triangle.fill"), 13,
                                               Theme::red(), QSize(16, 16)));
        row->addWidget(paneText(QStringLiteral("Nothing can start a read — turn on the "
                                               "tap above, or set a keyboard shortcut."),
                                12, QFont::DemiBold, Qt::white),
                       1);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QColor fill = Theme::red();
        fill.setAlphaF(0.16f);
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        painter.drawRoundedRect(rect(), 8, 8);
    }
};

QLabel* heading(const QString& text) {
    return paneText(text, 12, QFont::DemiBold, Theme::white(0.72));
}

QHBoxLayout* mediaKeyRow(const QString& symbol, const QString& text) {
    auto* row = new QHBoxLayout;
    row->setSpacing(10);
    row->addWidget(new PaneWidgets::Symbol(symbol, 13, Theme::white(0.72), QSize(18, 18)));
    row->addWidget(paneText(text, 13, QFont::Normal, Theme::white(0.9)), 1);
    return row;
}

// The "Tap" before the key picker: the picker's label for assistive tools, and a click on it
// toggles the switch before it, as a click on a switch's own title does.
class TapTitle final : public QLabel {
public:
    TapTitle(QCheckBox& toggle, QWidget& picker) : QLabel(QStringLiteral("Tap")), m_toggle(toggle) {
        setAccessibleName(QStringLiteral("Tap key"));
        setBuddy(&picker);
    }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        QLabel::mouseReleaseEvent(event);
        if (rect().contains(event->position().toPoint()))
            m_toggle.click();
    }

private:
    QCheckBox& m_toggle;
};

QStringList tapKeyTitles() {
    QStringList titles;
    for (const TapModifier modifier : allTapModifiers)
        titles.append(ShortcutsPaneModel::tapKeyName(modifier));
    return titles;
}

} // namespace

ShortcutsPane::ShortcutsPane(const SettingsServices& services, QWidget* parent)
    : QWidget(parent), m_model(services.keys, services.shortcuts) {
    setObjectName(QStringLiteral("ShortcutsPane"));
    PaneWidgets::fill(*this, services,
                      {readingCard(services), otherShortcutsCard(services), mediaKeysCard()});
    connect(&m_model, &ShortcutsPaneModel::changed, this, &ShortcutsPane::refresh);
    refresh();
}

KeyboardShortcuts::Recorder& ShortcutsPane::recorder(const KeyboardShortcuts::Name& name) const {
    for (auto* recorder : m_recorders)
        if (recorder->control().model().shortcutName() == name)
            return *recorder;
    Q_UNREACHABLE();
}

QLabel& ShortcutsPane::refusalNote(const KeyboardShortcuts::Name& name) const {
    return *m_refusalNotes.at(m_recorders.indexOf(&recorder(name)));
}

QWidget* ShortcutsPane::makeRecorder(const SettingsServices& services, const QString& title,
                                     const QString& actionName,
                                     const KeyboardShortcuts::Name& name) {
    auto* recorder = new KeyboardShortcuts::Recorder(services.shortcuts, title, name);
    recorder->setObjectName(name.rawValue() + QStringLiteral("Recorder"));
    // Two titles read the same: assistive tools name the field, and the title they take for its
    // label, by the action the shortcut runs.
    recorder->control().setAccessibleName(actionName);
    recorder->label()->setAccessibleName(actionName);
    recorder->setValidateShortcut([name](const KeyboardShortcuts::Shortcut& shortcut) {
        return ShortcutsPaneModel::duplicateCheck(shortcut, name);
    });
    auto* note = paneText({}, 12, QFont::DemiBold, Theme::red());
    note->setObjectName(name.rawValue() + QStringLiteral("RefusalNote"));
    m_recorders.append(recorder);
    m_refusalNotes.append(note);

    auto* column = new QWidget;
    auto* rows = new QVBoxLayout(column);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(6);
    rows->addWidget(recorder);
    rows->addWidget(note);
    return column;
}

QWidget* ShortcutsPane::readingCard(const SettingsServices& services) {
    m_description = paneText({}, 13, QFont::Normal, Theme::white85());
    m_warning = new Warning;

    auto* tap = new QCheckBox;
    tap->setObjectName(QStringLiteral("TapToggle"));
    tap->setAccessibleName(QStringLiteral("Tap to read"));
    Defaults::Toggle::bind(tap, services.keys.rightCommandTapEnabled);
    m_tapKey = new PaneWidgets::ChoicePicker(tapKeyTitles());
    m_tapKey->setObjectName(QStringLiteral("TapKeyPicker"));
    m_tapKey->setAccessibleName(QStringLiteral("Tap key"));
    m_tapKey->onChoose = [this](int index) { m_model.chooseTapModifier(allTapModifiers[index]); };
    m_toRead = new QLabel(QStringLiteral("to read"));
    auto* tapRow = new QHBoxLayout;
    tapRow->setSpacing(6);
    tapRow->addWidget(tap);
    tapRow->addWidget(new TapTitle(*tap, *m_tapKey));
    tapRow->addWidget(m_tapKey);
    tapRow->addWidget(m_toRead);
    tapRow->addStretch();

    auto* readShortcut =
        makeRecorder(services, QStringLiteral("Or a keyboard shortcut:"),
                     QStringLiteral("Shortcut to read the selection"), Names::readSelection());
    recorder(Names::readSelection())
        .setOnChange([this](const std::optional<KeyboardShortcuts::Shortcut>& shortcut) {
            m_model.readShortcutChanged(shortcut);
        });

    auto* rows = PaneWidgets::stack(14);
    rows->addWidget(m_description);
    rows->addWidget(m_warning);
    rows->addLayout(tapRow);
    rows->addWidget(readShortcut);
    rows->addWidget(paneText(
        QStringLiteral("Tapping and releasing that key on its own counts as a tap — including "
                       "when you started it as part of another shortcut and changed your mind, or "
                       "the shortcut belonged to an overlay of the desktop that Parlino can't "
                       "see."),
        12, QFont::Normal, PaneText::secondary()));
    return PaneWidgets::card(QStringLiteral("Reading"), rows);
}

QWidget* ShortcutsPane::otherShortcutsCard(const SettingsServices& services) {
    m_doubleTap = new QCheckBox;
    m_doubleTap->setObjectName(QStringLiteral("DoubleTapToggle"));
    Defaults::Toggle::bind(m_doubleTap, services.keys.rightCommandDoubleTapReplayEnabled);

    m_reset = new ArmedActionButton(QStringLiteral("Reset shortcuts to defaults"),
                                    PaneWidgets::font(12, QFont::Medium), Theme::red85(),
                                    services.motion);
    m_reset->setObjectName(QStringLiteral("ResetShortcutsButton"));
    m_reset->setButtonStyle(PaneWidgets::armedButtonStyle());
    m_reset->action = [this] { m_model.resetToDefaults(); };
    nameByNextPress(*m_reset, m_reset->arming(), m_reset->text(),
                    QStringLiteral("Press again to reset shortcuts to defaults"));

    auto* rows = PaneWidgets::stack(14);
    rows->addWidget(heading(QStringLiteral("Replay the last recording")));
    rows->addWidget(m_doubleTap);
    rows->addWidget(makeRecorder(services, QStringLiteral("Or a keyboard shortcut:"),
                                 QStringLiteral("Shortcut to replay the last recording"),
                                 Names::replayLast()));
    rows->addWidget(heading(QStringLiteral("Open Parlino")));
    rows->addWidget(makeRecorder(services, QStringLiteral("Keyboard shortcut:"),
                                 QStringLiteral("Shortcut to open Parlino"), Names::openPanel()));
    rows->addSpacing(4);
    rows->addWidget(m_reset, 0, Qt::AlignHCenter);
    return PaneWidgets::card(QStringLiteral("Other shortcuts"), rows);
}

QWidget* ShortcutsPane::mediaKeysCard() {
    auto* rows = PaneWidgets::stack(14);
    rows->addLayout(mediaKeyRow(QStringLiteral("playpause.fill"),
                                QStringLiteral("Play / pause Parlino's audio")));
    rows->addLayout(
        mediaKeyRow(QStringLiteral("forward.fill"), QStringLiteral("Change playback speed")));
    rows->addLayout(
        mediaKeyRow(QStringLiteral("backward.fill"), QStringLiteral("Restart the current audio")));
    rows->addWidget(paneText(
        QStringLiteral("These work while Parlino's audio is active — so Play/Pause is a third way "
                       "to pause. Outside that, the keys control your music apps as normal."),
        12, QFont::Normal, PaneText::secondary()));
    return PaneWidgets::card(QStringLiteral("Media keys"), rows);
}

void ShortcutsPane::refresh() {
    const bool tapEnabled = m_model.tapEnabled();
    m_description->setText(m_model.readingDescription());
    m_warning->setVisible(m_model.showsNothingCanStartWarning());
    const auto tapKey =
        std::find(allTapModifiers.begin(), allTapModifiers.end(), m_model.tapModifier());
    m_tapKey->showSelection(int(tapKey - allTapModifiers.begin()));
    m_tapKey->setEnabled(tapEnabled);
    QPalette palette = m_toRead->palette();
    palette.setColor(QPalette::WindowText, tapEnabled ? Theme::white85() : PaneText::secondary());
    m_toRead->setPalette(palette);
    m_doubleTap->setText(m_model.doubleTapTitle());
    m_doubleTap->setEnabled(tapEnabled);
    for (qsizetype i = 0; i < m_recorders.size(); ++i) {
        const auto note = m_model.refusalNote(m_recorders[i]->control().model().shortcutName());
        m_refusalNotes[i]->setText(note.value_or(QString()));
        m_refusalNotes[i]->setVisible(note.has_value());
    }
}

} // namespace Parlino
