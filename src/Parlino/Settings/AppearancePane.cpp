#include "Parlino/Settings/AppearancePane.h"

#include "Parlino/Services/PanelFontChoice.h"
#include "Parlino/Services/SettingsKeys.h"
#include "Parlino/Services/TranscriptCaseChoice.h"
#include "Parlino/Settings/PaneControls.h"
#include "Parlino/Settings/SettingsServices.h"
#include "Parlino/Style/Theme.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace Parlino {

namespace {

// Binds a picker to a stored choice both ways.
PaneWidgets::ChoicePicker* picker(StoredChoice& choice, const QString& name, const QString& title) {
    auto* picker = new PaneWidgets::ChoicePicker(choice.titles());
    picker->setObjectName(name);
    picker->setAccessibleName(title);
    picker->onChoose = [&choice](int index) { choice.choose(index); };
    const auto show = [picker, &choice] { picker->showSelection(choice.selectedIndex()); };
    QObject::connect(&choice, &StoredChoice::changed, picker, show);
    show();
    return picker;
}

// "Coming soon" on a faint capsule.
class Badge final : public QLabel {
public:
    explicit Badge(const QString& text) : QLabel(text) {
        setTextFormat(Qt::PlainText);
        setFont(PaneWidgets::font(11, QFont::Medium));
        setContentsMargins(8, 3, 8, 3);
        QPalette palette = this->palette();
        palette.setColor(QPalette::WindowText, Theme::slate());
        setPalette(palette);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QColor fill = Theme::slate();
        fill.setAlphaF(0.14f);
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        painter.drawRoundedRect(rect(), height() / 2.0, height() / 2.0);
        painter.end();
        QLabel::paintEvent(event);
    }
};

} // namespace

AppearancePane::AppearancePane(const SettingsServices& services, QWidget* parent)
    : QWidget(parent), m_font(services.keys.panelFontDesign, PanelFontChoices::table),
      m_case(services.keys.transcriptCase, TranscriptCaseChoices::table) {
    setObjectName(QStringLiteral("AppearancePane"));
    PaneWidgets::fill(*this, services, {appearanceCard(), transparencyCard()});
}

QWidget* AppearancePane::appearanceCard() {
    const QString fontTitle = QStringLiteral("Panel font");
    const QString caseTitle = QStringLiteral("Capitalization");
    m_fontPicker = picker(m_font, QStringLiteral("PanelFontPicker"), fontTitle);
    m_casePicker = picker(m_case, QStringLiteral("CapitalizationPicker"), caseTitle);
    auto* form = new QFormLayout;
    form->setContentsMargins(0, 0, 0, 0);
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    form->addRow(fontTitle, m_fontPicker);
    form->addRow(caseTitle, m_casePicker);
    return PaneWidgets::card(QStringLiteral("Appearance"), form);
}

QWidget* AppearancePane::transparencyCard() {
    m_transparency = new QCheckBox(QStringLiteral("Transparency"));
    m_transparency->setObjectName(QStringLiteral("TransparencyToggle"));
    m_transparency->setChecked(false);
    m_transparency->setEnabled(false);
    auto* switchRow = new QHBoxLayout;
    switchRow->setSpacing(8);
    switchRow->addWidget(m_transparency);
    switchRow->addWidget(new Badge(QStringLiteral("Coming soon")));
    switchRow->addStretch();

    auto* rows = PaneWidgets::stack(10);
    rows->addLayout(switchRow);
    rows->addWidget(
        paneText(QStringLiteral("Turned off in this build while the glass surface is rebuilt."), 13,
                 QFont::Normal, Theme::white85()));
    rows->addWidget(paneText(
        QStringLiteral("The switch above is Parlino's own: with it off, Parlino stays opaque "
                       "whatever your desktop does. Linux desktops have no Reduce Transparency "
                       "setting, so this switch is the only one that decides."),
        11, QFont::Normal, PaneText::secondary()));
    return PaneWidgets::card(QStringLiteral("Transparency"), rows);
}

} // namespace Parlino
