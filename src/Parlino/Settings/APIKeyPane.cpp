#include "Parlino/Settings/APIKeyPane.h"

#include "Parlino/Services/APIKeyCredential.h"
#include "Parlino/Settings/APIKeyPaneModel.h"
#include "Parlino/Settings/PaneContainer.h"
#include "Parlino/Settings/PaneControls.h"
#include "Parlino/Settings/SectionCard.h"
#include "Parlino/Style/Theme.h"

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

QWidget* column(std::initializer_list<QWidget*> rows) {
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    // Text wraps across the card and the key field spans it; buttons keep their own width at
    // the leading edge.
    for (QWidget* row : rows) {
        const bool spans = qobject_cast<QLabel*>(row) || qobject_cast<QLineEdit*>(row);
        layout->addWidget(row, 0, spans ? Qt::Alignment() : Qt::AlignLeft);
    }
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

void APIKeyPane::rebuild() {
    switch (m_model.layout()) {
    case APIKeyPaneModel::Layout::reading:
        return m_card->setContent(new QWidget);
    case APIKeyPaneModel::Layout::entry:
        return m_card->setContent(entryLayout());
    case APIKeyPaneModel::Layout::saved:
        return m_card->setContent(savedLayout());
    }
}

QWidget* APIKeyPane::savedLayout() {
    auto* row = new QWidget;
    auto* rowLayout = new QHBoxLayout(row);
    rowLayout->setContentsMargins(0, 0, 0, 0);
    rowLayout->setSpacing(10);
    rowLayout->addWidget(new SavedDot);
    rowLayout->addWidget(
        paneText(QStringLiteral("API key saved"), PaneText::body, QFont::Normal, Theme::white85()));
    rowLayout->addStretch();
    auto* remove = new PaneButton(QStringLiteral("Remove Key"), PaneButton::Role::destructive,
                                  m_services.motion);
    connect(remove, &QAbstractButton::clicked, this, [this] { m_model.removeKey(); });
    rowLayout->addWidget(remove);

    QWidget* content = column({statusLine(), linkButton(QStringLiteral("Go to API key ↗"),
                                                        apiKeysPage(), m_services.motion)});
    static_cast<QVBoxLayout*>(content->layout())->insertWidget(0, row);
    return content;
}

QWidget* APIKeyPane::entryLayout() {
    auto* field = new QLineEdit(m_model.keyInput());
    field->setObjectName(QStringLiteral("APIKeyField"));
    field->setAccessibleName(QStringLiteral("ElevenLabs API key"));
    field->setPlaceholderText(QStringLiteral("ElevenLabs API key"));
    field->setEchoMode(QLineEdit::Password);
    connect(field, &QLineEdit::textChanged, &m_model, &APIKeyPaneModel::setKeyInput);
    connect(&m_model, &APIKeyPaneModel::keyInputChanged, field, [this, field] {
        if (field->text() != m_model.keyInput())
            field->setText(m_model.keyInput());
    });

    auto* save = new PaneButton(QStringLiteral("Validate & Save"), PaneButton::Role::normal,
                                m_services.motion);
    save->setEnabled(!m_model.keyInput().isEmpty());
    connect(&m_model, &APIKeyPaneModel::keyInputChanged, save,
            [this, save] { save->setEnabled(!m_model.keyInput().isEmpty()); });
    connect(save, &QAbstractButton::clicked, this, [this] { m_model.validateAndSave(); });

    auto* links = new QWidget;
    auto* linksLayout = new QHBoxLayout(links);
    linksLayout->setContentsMargins(0, 0, 0, 0);
    linksLayout->addWidget(
        linkButton(QStringLiteral("Get a key"), apiKeysPage(), m_services.motion));
    linksLayout->addWidget(
        linkButton(QStringLiteral("Go to API key ↗"), apiKeysPage(), m_services.motion));

    QWidget* content = column({field, save, links, statusLine()});
    content->layout()->addWidget(
        paneText(privacyNote, PaneText::caption2, QFont::Normal, PaneText::tertiary()));
    return content;
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
