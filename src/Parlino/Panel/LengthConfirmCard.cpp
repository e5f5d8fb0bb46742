#include "Parlino/Panel/LengthConfirmCard.h"

#include "Parlino/Style/NumberText.h"

#include "Defaults/Default.h"
#include "Parlino/Services/SettingsKeys.h"
#include "Parlino/Services/SynthesisModelChoice.h"
#include "Parlino/Settings/PaneControls.h"
#include "Parlino/Style/Theme.h"

#include <QHBoxLayout>
#include <QLabel>

namespace Parlino {

namespace {

using Choice = PlayerViewModel::LengthChoice;

QFont pixelFont(int size) {
    QFont font;
    font.setPixelSize(size);
    return font;
}

} // namespace

LengthConfirmCard::LengthConfirmCard(qint64 chars, const SettingsKeys& settings,
                                     const MotionContext& motion, QWidget* parent)
    : QWidget(parent), m_chars(chars), m_settings(settings),
      m_model(std::make_unique<Defaults::Default<QString>>(settings.synthesisModel)),
      m_threshold(std::make_unique<Defaults::Default<qint64>>(settings.confirmThreshold)),
      m_summary(new QLabel(this)) {
    setObjectName(QStringLiteral("LengthConfirmCard"));
    m_summary->setObjectName(QStringLiteral("LengthSummary"));
    m_summary->setTextFormat(Qt::PlainText);
    m_summary->setFont(pixelFont(12));
    // Where the desktop's font runs wide, the sum wraps onto a second line rather than clip.
    m_summary->setWordWrap(true);
    QPalette palette = m_summary->palette();
    palette.setColor(QPalette::WindowText, Theme::white(1));
    m_summary->setPalette(palette);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 0, 14, 0);
    layout->setSpacing(10);
    layout->addWidget(m_summary, 1);
    const auto addAnswer = [&](PaneButton* button, const char* name, Choice choice) {
        button->setObjectName(QLatin1String(name));
        button->setControlSize(PaneButton::Size::small);
        connect(button, &QAbstractButton::clicked, this, [this, choice] {
            if (onChoice)
                onChoice(choice);
        });
        layout->addWidget(button);
    };
    addAnswer(new PaneButton(tr("Read anyway"), PaneButton::Role::normal, motion, this),
              "ReadAnywayButton", Choice::readAnyway);
    // Made in the order they show, which is the order assistive tools list them in.
    m_readFirst = new PaneButton({}, PaneButton::Role::normal, motion, this);
    addAnswer(m_readFirst, "ReadFirstButton", Choice::readFirstChunk);
    addAnswer(new PaneButton(tr("Cancel"), PaneButton::Role::normal, motion, this),
              "CancelLengthButton", Choice::cancel);

    for (const auto* setting : {m_model.get(), m_threshold.get()})
        connect(setting, &Defaults::Observable::changed, this, [this] { showSettings(); });
    showSettings();
}

LengthConfirmCard::~LengthConfirmCard() = default;

qint64 LengthConfirmCard::credits(qint64 chars, const QString& synthesisModel) {
    if (chars < 1)
        return 0;
    if (SynthesisModelChoices::fromStoredValue(synthesisModel) ==
        SynthesisModelChoice::multilingual)
        return chars;
    return (chars + 1) / 2;
}

QString LengthConfirmCard::summary(qint64 chars, const QString& synthesisModel,
                                   const QLocale& locale) {
    return tr("~%1 characters ≈ %2 credits")
        .arg(NumberText::grouped(chars, locale),
             NumberText::grouped(credits(chars, synthesisModel), locale));
}

QString LengthConfirmCard::readFirstTitle(qint64 threshold, const QLocale& locale) {
    return tr("Read first %1").arg(NumberText::grouped(threshold, locale));
}

void LengthConfirmCard::showSettings() {
    // A narrow card breaks the sum only before "≈", never inside a count and its unit.
    QString shown = summary(m_chars, Defaults::get(m_settings.synthesisModel));
    shown.replace(QLatin1Char(' '), QChar::Nbsp)
        .replace(QStringLiteral("\u00A0≈"), QStringLiteral(" ≈"));
    m_summary->setText(shown);
    const QString title = readFirstTitle(Defaults::get(m_settings.confirmThreshold));
    m_readFirst->setText(title);
    m_readFirst->setAccessibleName(title);
    m_readFirst->updateGeometry();
}

} // namespace Parlino
