#include "Parlino/Settings/APIKeyPane.h"

#include "Parlino/Services/APIKeyCredential.h"
#include "Parlino/Settings/APIKeyPaneModel.h"
#include "Parlino/Settings/PaneContainer.h"
#include "Parlino/Settings/PaneControls.h"
#include "Parlino/Settings/PaneWidgets.h"
#include "Parlino/Settings/SectionCard.h"
#include "Parlino/Style/ArmedButton.h"
#include "Parlino/Style/FocusRest.h"
#include "Parlino/Style/FocusRing.h"
#include "Parlino/Style/NumberText.h"
#include "Parlino/Style/Theme.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>

namespace Parlino {

namespace {

const QString privacyNote = QStringLiteral(
    "No account. No Parlino servers. Your text and your key go straight from your computer to "
    "ElevenLabs — the only other network call this app ever makes is checking for updates.");

// The green dot in front of "API key saved".
class SavedDot final : public QWidget {
public:
    SavedDot() { setFixedSize(8, 8); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Theme::green());
        painter.drawEllipse(QRectF(rect()));
    }
};

// "API key saved": a stop of the Tab order that a press does nothing to, so the focus can rest
// there after a save; it shows the focus ring while the keyboard has put it there.
class SavedMark final : public QLabel {
public:
    static constexpr QMargins ringRoom{4, 2, 4, 2};

    SavedMark() : QLabel(QStringLiteral("API key saved")) {
        setObjectName(QStringLiteral("APIKeySavedMark"));
        setTextFormat(Qt::PlainText);
        setFocusPolicy(Qt::TabFocus);
        setContentsMargins(ringRoom);
        setFont(PaneWidgets::font(PaneText::body));
        QPalette palette = this->palette();
        palette.setColor(QPalette::WindowText, Theme::white85());
        setPalette(palette);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QLabel::paintEvent(event);
        if (FocusRing::isShown(*this)) {
            QPainter painter(this);
            FocusRing::paint(painter, QRectF(rect()), 6);
        }
    }
};

QWidget* column(std::initializer_list<QWidget*> rows) {
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    // Text wraps across the card and the key field and the rows span it; buttons keep their own
    // width at the leading edge. Tab takes them in this order, as they stand.
    for (QWidget* row : rows)
        layout->addWidget(row, 0,
                          qobject_cast<QAbstractButton*>(row) ? Qt::AlignLeft : Qt::Alignment());
    return content;
}

} // namespace

APIKeyPane::APIKeyPane(APIKeyPaneModel& model, const SettingsServices& services, QWidget* parent)
    : QWidget(parent), m_model(model), m_services(services),
      m_card(new SectionCard(QStringLiteral("API Key"))) {
    setObjectName(QStringLiteral("APIKeyPane"));
    auto* container = new PaneContainer(services);
    container->addCard(m_card);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(container);
    connect(&model, &APIKeyPaneModel::layoutChanged, this, [this] { rebuild(); });
    rebuild();
}

// A control pressed from the keyboard ("Validate & Save", "Remove Key") goes with the layout it
// stood in: the focus stays in the pane, on the first control of the layout that replaces it.
void APIKeyPane::rebuild() {
    // The window's own focus, which it keeps while hidden or inactive and gives back when shown;
    // also where it rests around the pane, as "Validate & Save" leaves it when it disables itself.
    const QWidget* focus = window()->focusWidget();
    const bool hadFocus = m_card->isAncestorOf(focus) ||
                          (dynamic_cast<const FocusRest*>(focus) && focus->isAncestorOf(this));
    QWidget* content = makeContent();
    m_card->setContent(content);
    if (!hadFocus)
        return;
    content->show();
    for (QWidget* next = content->nextInFocusChain(); next != content;
         next = next->nextInFocusChain())
        if (content->isAncestorOf(next) && (next->focusPolicy() & Qt::TabFocus) &&
            next->isEnabled() && next->isVisibleTo(window())) {
            window()->setAttribute(Qt::WA_KeyboardFocusChange);
            next->setFocus(Qt::TabFocusReason);
            return;
        }
}

QWidget* APIKeyPane::makeContent() {
    switch (m_model.layout()) {
    case APIKeyPaneModel::Layout::reading:
        return new QWidget;
    case APIKeyPaneModel::Layout::entry:
        return entryLayout();
    case APIKeyPaneModel::Layout::saved:
        return savedLayout();
    }
    Q_UNREACHABLE();
}

QWidget* APIKeyPane::savedLayout() {
    auto* row = new QWidget;
    auto* rowLayout = new QHBoxLayout(row);
    rowLayout->setContentsMargins(0, 0, 0, 0);
    rowLayout->setSpacing(10 - SavedMark::ringRoom.left());
    rowLayout->addWidget(new SavedDot);
    auto* mark = new SavedMark;
    // Screen readers say a label's name and not its description: the outcome of the save goes
    // with the name, and is heard as the focus arrives.
    const auto nameMark = [this, mark] {
        const QString status = NumberText::withoutIsolates(m_model.status());
        mark->setAccessibleName(status.isEmpty() ? mark->text()
                                                 : mark->text() + QStringLiteral(". ") + status);
    };
    nameMark();
    connect(&m_model, &APIKeyPaneModel::statusChanged, mark, nameMark);
    rowLayout->addWidget(mark);
    rowLayout->addStretch();
    // Removal takes two presses aimed at it, so no press meant for another control removes the key.
    auto* remove =
        new ArmedActionButton(QStringLiteral("Remove Key"), PaneWidgets::font(PaneText::body),
                              Theme::red(), m_services.motion);
    remove->setObjectName(QStringLiteral("RemoveKeyButton"));
    remove->setButtonStyle(PaneWidgets::armedButtonStyle());
    remove->setCursor(Qt::PointingHandCursor);
    nameByNextPress(*remove, remove->arming(), remove->text(),
                    QStringLiteral("Press again to remove the key"));
    remove->action = [this] { m_model.removeKey(); };
    rowLayout->addWidget(remove);

    return column(
        {row, statusLine(),
         linkButton(QStringLiteral("Go to API key ↗"), apiKeysPage(), m_services.motion)});
}

QWidget* APIKeyPane::entryLayout() {
    auto* field = new QLineEdit(m_model.keyInput());
    field->setObjectName(QStringLiteral("APIKeyField"));
    field->setAccessibleName(QStringLiteral("ElevenLabs API key"));
    field->setPlaceholderText(QStringLiteral("ElevenLabs API key"));
    field->setEchoMode(QLineEdit::Password);
    describeByStatus(*field);
    connect(field, &QLineEdit::textChanged, &m_model, &APIKeyPaneModel::setKeyInput);
    connect(&m_model, &APIKeyPaneModel::keyInputChanged, field, [this, field] {
        if (field->text() != m_model.keyInput())
            field->setText(m_model.keyInput());
    });

    auto* save = new PaneButton(QStringLiteral("Validate & Save"), PaneButton::Role::normal,
                                m_services.motion);
    save->setObjectName(QStringLiteral("ValidateAndSaveButton"));
    describeByStatus(*save);
    // While the key typed is being checked the button says so, and stays where the focus is: a
    // press then does nothing.
    const auto followModel = [this, save] {
        save->setEnabled(!m_model.keyInput().isEmpty());
        const QString title =
            m_model.isSavingKeyInput() ? checkingText : QStringLiteral("Validate & Save");
        save->setText(title);
        save->setAccessibleName(title);
        save->updateGeometry();
    };
    followModel();
    connect(&m_model, &APIKeyPaneModel::keyInputChanged, save, followModel);
    connect(&m_model, &APIKeyPaneModel::checkingChanged, save, followModel);
    connect(save, &QAbstractButton::clicked, this, [this] { m_model.validateAndSave(); });
    // Return in the field presses the button, as in a form; a disabled button takes no press.
    connect(field, &QLineEdit::returnPressed, save, [this, save] {
        if (!m_model.isSavingKeyInput())
            save->animateClick();
    });

    auto* links = new QWidget;
    auto* linksLayout = new QHBoxLayout(links);
    linksLayout->setContentsMargins(0, 0, 0, 0);
    linksLayout->addWidget(
        linkButton(QStringLiteral("Get a key"), apiKeysPage(), m_services.motion));
    linksLayout->addWidget(
        linkButton(QStringLiteral("Go to API key ↗"), apiKeysPage(), m_services.motion));
    linksLayout->addStretch();

    return column({field, save, links, statusLine(),
                   paneText(privacyNote, PaneText::caption2, QFont::Normal, PaneText::tertiary())});
}

APIKeyPane::~APIKeyPane() {
    m_model.stopFollowing();
}

void APIKeyPane::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The key may have been removed, or the keyring locked, while Settings was away, and may be
    // while it shows.
    m_model.follow();
}

void APIKeyPane::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    m_model.stopFollowing();
}

// Assistive tools get the status, or "Checking…" during a check, as the control's description.
void APIKeyPane::describeByStatus(QWidget& control) {
    const auto follow = [this, &control] {
        control.setAccessibleDescription(m_model.isSavingKeyInput()
                                             ? checkingText
                                             : NumberText::withoutIsolates(m_model.status()));
    };
    follow();
    connect(&m_model, &APIKeyPaneModel::statusChanged, &control, follow);
    connect(&m_model, &APIKeyPaneModel::checkingChanged, &control, follow);
    connect(&m_model, &APIKeyPaneModel::keyInputChanged, &control, follow);
}

QLabel* APIKeyPane::statusLine() {
    QLabel* line =
        paneText(m_model.status(), PaneText::caption, QFont::Normal, PaneText::secondary());
    line->setObjectName(QStringLiteral("APIKeyStatus"));
    line->setVisible(!m_model.status().isEmpty());
    connect(&m_model, &APIKeyPaneModel::statusChanged, line, [this, line] {
        setPaneText(*line, m_model.status());
        line->setVisible(!m_model.status().isEmpty());
    });
    return line;
}

} // namespace Parlino
