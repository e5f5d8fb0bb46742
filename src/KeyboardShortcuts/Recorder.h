#pragma once

#include "KeyboardShortcuts/RecorderControl.h"

#include <QWidget>

#include <variant>

namespace KeyboardShortcuts {

// What a recorder records into: a name's stored shortcut, or a shortcut the recorder holds
// for its owner, starting with the given one.
using ShortcutSource = std::variant<Name, std::optional<Shortcut>>;

// A settings row for recording a shortcut: a recorder field, with a label before it when
// given one. Main thread.
class Recorder final : public QWidget {
public:
    using OnChange = RecorderModel::OnChange;

    // The field alone.
    Recorder(ShortcutRegistry& registry, const ShortcutSource& source, OnChange onChange = {},
             QWidget* parent = nullptr);
    // The field with a title before it.
    Recorder(ShortcutRegistry& registry, const QString& title, const ShortcutSource& source,
             OnChange onChange = {}, QWidget* parent = nullptr);
    // The field with the given label before it; the recorder takes the label.
    Recorder(ShortcutRegistry& registry, QWidget* label, const ShortcutSource& source,
             OnChange onChange = {}, QWidget* parent = nullptr);

    RecorderControl& control() { return *m_control; }
    // Null without one.
    QWidget* label() const { return m_label; }

    // The shortcut recorded: the name's, or the recorder's own.
    std::optional<Shortcut> shortcut() const { return m_control->model().currentShortcut(); }
    // What the owner holds now, shown without calling `onChange` (the recorder's own
    // shortcut), or the name to record for.
    void setSource(const ShortcutSource& source);

    void setOnChange(OnChange onChange) { m_control->model().setOnChange(std::move(onChange)); }
    void setValidateShortcut(RecorderModel::Validator validate) {
        m_control->model().setValidateShortcut(std::move(validate));
    }
    void setConflictPolicy(const ConflictPolicy& policy) {
        m_control->model().setConflictPolicy(policy);
    }

private:
    QWidget* m_label = nullptr;
    RecorderControl* m_control;
};

} // namespace KeyboardShortcuts
