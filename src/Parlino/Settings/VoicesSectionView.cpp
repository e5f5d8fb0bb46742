#include "Parlino/Settings/VoicesSectionView.h"

#include "Defaults/Default.h"
#include "Parlino/Settings/VoiceProfileButton.h"
#include "Parlino/Style/FadingScrollView.h"
#include "Parlino/Style/Theme.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QTextLayout>
#include <QVBoxLayout>

namespace Parlino {

namespace {

constexpr int sideInset = 40;
constexpr int columnSpacing = 16;
constexpr int rowSpacing = 18;
constexpr int nameGap = 7;
constexpr int descriptorGap = 2;
constexpr int descriptorHeight = 25;
constexpr qreal messageOpacity = 0.55;

QFont nameFont(bool selected) {
    return voiceViewFont(12, selected ? QFont::DemiBold : QFont::Normal);
}

const QFont& descriptorFont() {
    static const QFont font = voiceViewFont(10);
    return font;
}

QColor nameColour(const VoiceCellContent& content) {
    if (content.isSelected)
        return Qt::white;
    return Theme::white(content.availability == VoiceAvailability::available ? 0.75 : 0.5);
}

// The descriptor in at most two centred lines, the second cut short when the text runs on.
void paintDescriptor(QPainter& painter, const QRect& box, const QString& text) {
    const QFontMetrics metrics(descriptorFont());
    const int lineHeight = metrics.height() + 1;
    QTextLayout layout(text, descriptorFont());
    layout.beginLayout();
    QStringList lines;
    while (lines.size() < 2) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(box.width());
        lines.append(lines.size() == 1 ? metrics.elidedText(text.mid(line.textStart()),
                                                            Qt::ElideRight, box.width())
                                       : text.mid(line.textStart(), line.textLength()).trimmed());
    }
    layout.endLayout();
    painter.setFont(descriptorFont());
    for (qsizetype i = 0; i < lines.size(); ++i)
        painter.drawText(
            QRect(box.left(), box.top() + int(i) * lineHeight, box.width(), lineHeight),
            Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine, lines[i]);
}

} // namespace

VoiceCell::VoiceCell(const VoiceCellContent& content, const VoiceViewContext& context,
                     QWidget* parent)
    : QWidget(parent), m_button(new VoiceProfileButton(content.voice.id, diameter, context.motion,
                                                       context.timeline, this)) {
    setObjectName(QStringLiteral("VoiceCell"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    apply(content, false);
}

void VoiceCell::setContent(const VoiceCellContent& content) {
    apply(content, true);
}

void VoiceCell::apply(const VoiceCellContent& content, bool animated) {
    m_content = content;
    m_button->setVoiceID(content.voice.id);
    m_button->setSelected(content.isSelected, animated);
    m_button->setAvailability(content.availability);
    m_button->setLoading(content.isLoading);
    m_button->setPlaying(content.isPlaying);
    m_button->setAccessibleName(content.accessibleName());
    setAccessibleName(content.accessibleName());
    update();
}

QSize VoiceCell::sizeHint() const {
    const int margin = int(m_button->metrics().margin);
    const int height = int(diameter) + nameGap + QFontMetrics(nameFont(true)).height() +
                       descriptorGap + descriptorHeight;
    return {std::max(m_button->width(), 10), height + margin};
}

void VoiceCell::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_button->move((width() - m_button->width()) / 2, 0);
}

QRect VoiceCell::textBox(int top, int height) const {
    // A column narrower than the texts' width keeps them inside it.
    const int shown = std::min(textWidth, width());
    return {(width() - shown) / 2, top, shown, height};
}

void VoiceCell::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int margin = int(m_button->metrics().margin);
    int y = margin + int(diameter) + nameGap;
    const QFont font = nameFont(m_content.isSelected);
    const QFontMetrics names(font);
    painter.setFont(font);
    painter.setPen(nameColour(m_content));
    const QRect nameBox = textBox(y, names.height());
    painter.drawText(
        nameBox, Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine,
        names.elidedText(m_content.voice.displayName, Qt::ElideRight, nameBox.width()));
    y += names.height() + descriptorGap;
    if (const auto& descriptor = m_content.voice.descriptor) {
        painter.setPen(
            Theme::white(m_content.availability == VoiceAvailability::available ? 0.45 : 0.3));
        paintDescriptor(painter, textBox(y, descriptorHeight), *descriptor);
    }
}

VoicesSectionView::VoicesSectionView(VoicesModel& voicesModel, VoiceSamplePlayer& samplePlayer,
                                     qreal topContentInset, const VoiceViewContext& context,
                                     QWidget* parent)
    : QWidget(parent), m_voicesModel(voicesModel), m_samplePlayer(samplePlayer), m_context(context),
      m_selectedVoice(new Defaults::Default<QString>(context.keys.voiceID, this)) {
    setObjectName(QStringLiteral("VoicesSectionView"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, qRound(topContentInset), 0, 0);
    layout->setSpacing(0);

    connect(&voicesModel, &VoicesModel::stateChanged, this, [this] { refreshContent(); });
    connect(&samplePlayer, &VoiceSamplePlayer::stateChanged, this, [this] { refreshContent(); });
    connect(m_selectedVoice, &Defaults::Observable::changed, this, [this] { refreshContent(); });
    m_content = VoicesSectionContent::make(voicesModel.state(), samplePlayer.state(),
                                           Defaults::get(context.keys.voiceID));
    rebuild();
}

VoicesSectionView::~VoicesSectionView() {
    m_showing.request_stop();
}

void VoicesSectionView::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect(), Theme::white045());
}

void VoicesSectionView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    m_showing.request_stop();
    m_showing = std::stop_source();
    VoiceActions::refreshOnShow(m_voicesModel, m_showing.get_token());
}

void VoicesSectionView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    m_showing.request_stop();
}

void VoicesSectionView::refreshContent() {
    VoicesSectionContent content = VoicesSectionContent::make(
        m_voicesModel.state(), m_samplePlayer.state(), Defaults::get(m_context.keys.voiceID));
    if (content == m_content)
        return;
    const bool sameCells =
        content.kind == m_content.kind && content.message == m_content.message &&
        std::ranges::equal(content.cells, m_content.cells,
                           [](const auto& a, const auto& b) { return a.voice == b.voice; });
    m_content = std::move(content);
    if (!sameCells)
        return rebuild();
    for (qsizetype i = 0; i < m_cells.size(); ++i)
        m_cells[i]->setContent(m_content.cells[i]);
}

void VoicesSectionView::rebuild() {
    m_cells.clear();
    // Later, because the press that changed the content may still be running in a cell.
    if (m_body) {
        m_body->hide();
        m_body->deleteLater();
    }
    switch (m_content.kind) {
    case VoicesSectionContent::Kind::loading:
        m_body = centred(new SmallSpinner(m_context.timeline), Qt::AlignHCenter);
        break;
    case VoicesSectionContent::Kind::message: {
        QLabel* message =
            plainLabel(m_content.message, voiceViewFont(12), Theme::white(messageOpacity), true);
        message->setObjectName(QStringLiteral("VoicesSectionMessage"));
        message->setAlignment(Qt::AlignCenter);
        // The label spans the width and centres its lines itself: a wrapping label aligned
        // in a layout is given the height of one line.
        m_body = centred(message, {});
        break;
    }
    case VoicesSectionContent::Kind::grid:
        m_body = makeGrid();
        break;
    }
    static_cast<QVBoxLayout*>(layout())->addWidget(m_body, 1);
    m_body->show();
}

QWidget* VoicesSectionView::centred(QWidget* widget, Qt::Alignment alignment) {
    auto* box = new QWidget;
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(sideInset, 0, sideInset, 0);
    layout->addStretch();
    layout->addWidget(widget, 0, alignment);
    layout->addStretch();
    return box;
}

QWidget* VoicesSectionView::makeGrid() {
    auto* box = new QWidget;
    box->setObjectName(QStringLiteral("VoicesSectionGrid"));
    auto* outer = new QVBoxLayout(box);
    outer->setContentsMargins(sideInset, 0, sideInset, 0);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(columnSpacing);
    grid->setVerticalSpacing(rowSpacing);
    for (int column = 0; column < columns; ++column)
        grid->setColumnStretch(column, 1);
    for (qsizetype i = 0; i < m_content.cells.size(); ++i) {
        auto* cell = new VoiceCell(m_content.cells[i], m_context, box);
        connect(&cell->button(), &QAbstractButton::clicked, this, [this, cell] {
            const CuratedVoice voice = cell->content().voice;
            VoiceActions::press(voice, m_voicesModel.state(), m_samplePlayer, m_context.keys);
        });
        grid->addWidget(cell, int(i) / columns, int(i) % columns);
        m_cells.append(cell);
    }
    outer->addStretch();
    outer->addLayout(grid);
    outer->addStretch();
    // Centred while the sheet has room for every row; a shorter sheet scrolls to the last one.
    auto* scroll =
        new FadingScrollView(JumpToEndPolicy::never, m_context.pointer, m_context.motion);
    scroll->setContent(box);
    box->setAutoFillBackground(false); // the scroll area turns it on; the wash shows through
    return scroll;
}

} // namespace Parlino
