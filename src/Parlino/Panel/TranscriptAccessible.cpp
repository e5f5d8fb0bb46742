#include "Parlino/Panel/TranscriptAccessible.h"

#include "Parlino/Panel/TranscriptCanvas.h"
#include "Parlino/Services/PlayerViewModel.h"

#include <algorithm>

namespace Parlino {

namespace {

QAccessibleInterface* transcriptFactory(const QString&, QObject* object) {
    if (auto* canvas = dynamic_cast<TranscriptCanvas*>(object))
        return new TranscriptAccessible(*canvas);
    return nullptr;
}

// Tells assistive tools of the changes of one canvas; it lives as the canvas's child.
class TranscriptAnnouncer final : public QObject {
public:
    TranscriptAnnouncer(const PlayerViewModel& model, TranscriptCanvas& canvas)
        : QObject(&canvas), m_canvas(canvas), m_text(model.text()) {
        connect(&model, &PlayerViewModel::textChanged, this, [this, &model] {
            QAccessibleTextUpdateEvent event(&m_canvas, 0, m_text, model.text());
            m_text = model.text();
            QAccessible::updateAccessibility(&event);
        });
    }

private:
    TranscriptCanvas& m_canvas;
    QString m_text;
};

} // namespace

TranscriptAccessible::TranscriptAccessible(TranscriptCanvas& canvas)
    : QAccessibleWidget(&canvas, QAccessible::EditableText, QStringLiteral("Transcript")),
      m_canvas(canvas) {}

void TranscriptAccessible::follow(const PlayerViewModel& model, TranscriptCanvas& canvas) {
    static const bool installed = [] {
        QAccessible::installFactory(transcriptFactory);
        return true;
    }();
    Q_UNUSED(installed);
    new TranscriptAnnouncer(model, canvas);
}

std::optional<std::pair<int, int>>
TranscriptAccessible::currentWord(const TranscriptCanvas& canvas) {
    const auto index = canvas.currentWordIndex();
    if (!index || *index < 0 || *index >= canvas.words().size())
        return std::nullopt;
    const Core::WordTiming word = canvas.words()[*index];
    return std::pair{int(word.range.lower), int(word.range.upper)};
}

void* TranscriptAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QAccessible::State TranscriptAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.readOnly = true;
    state.multiLine = true;
    return state;
}

int TranscriptAccessible::cursorPosition() const {
    const auto word = currentWord(m_canvas);
    return word ? word->first : 0;
}

QString TranscriptAccessible::text(QAccessible::Text type) const {
    return type == QAccessible::Value ? m_canvas.text() : QAccessibleWidget::text(type);
}

QString TranscriptAccessible::text(int startOffset, int endOffset) const {
    const QString& whole = m_canvas.text();
    const int start = std::clamp(startOffset, 0, int(whole.size()));
    const int end =
        endOffset < 0 ? int(whole.size()) : std::clamp(endOffset, start, int(whole.size()));
    return whole.mid(start, end - start);
}

int TranscriptAccessible::characterCount() const {
    return int(m_canvas.text().size());
}

QString TranscriptAccessible::attributes(int, int* startOffset, int* endOffset) const {
    *startOffset = 0;
    *endOffset = characterCount();
    return {};
}

} // namespace Parlino
