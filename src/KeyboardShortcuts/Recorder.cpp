#include "KeyboardShortcuts/Recorder.h"

#include <QHBoxLayout>
#include <QLabel>

namespace KeyboardShortcuts {

namespace {

RecorderControl* makeControl(ShortcutRegistry& registry, const ShortcutSource& source,
                             RecorderModel::OnChange onChange) {
    if (const Name* name = std::get_if<Name>(&source))
        return new RecorderControl(registry, *name, std::move(onChange));
    return new RecorderControl(registry, std::get<std::optional<Shortcut>>(source),
                               std::move(onChange));
}

QLabel* titleLabel(const QString& title) {
    auto* label = new QLabel(title);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

Recorder::Recorder(ShortcutRegistry& registry, const ShortcutSource& source, OnChange onChange,
                   QWidget* parent)
    : Recorder(registry, static_cast<QWidget*>(nullptr), source, std::move(onChange), parent) {}

Recorder::Recorder(ShortcutRegistry& registry, const QString& title, const ShortcutSource& source,
                   OnChange onChange, QWidget* parent)
    : Recorder(registry, titleLabel(title), source, std::move(onChange), parent) {}

Recorder::Recorder(ShortcutRegistry& registry, QWidget* label, const ShortcutSource& source,
                   OnChange onChange, QWidget* parent)
    : QWidget(parent), m_label(label),
      m_control(makeControl(registry, source, std::move(onChange))) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins({});
    if (m_label)
        layout->addWidget(m_label, 0, Qt::AlignVCenter);
    layout->addWidget(m_control);
    if (auto* text = qobject_cast<QLabel*>(m_label)) {
        text->setBuddy(m_control);
        // Where the row is narrow the title wraps rather than push the row wider.
        text->setWordWrap(true);
    }
}

void Recorder::setSource(const ShortcutSource& source) {
    if (const Name* name = std::get_if<Name>(&source))
        m_control->model().setShortcutName(*name);
    else
        m_control->model().setCurrentShortcut(std::get<std::optional<Shortcut>>(source));
}

} // namespace KeyboardShortcuts
