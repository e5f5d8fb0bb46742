#pragma once

#include <QString>

namespace KeyboardShortcuts {

// A recorder owner's verdict on a newly recorded shortcut: allowed, or refused with the reason
// the recorder's alert shows.
class ValidationResult {
public:
    static ValidationResult allow() { return ValidationResult(true, {}); }
    static ValidationResult disallow(QString reason) {
        return ValidationResult(false, std::move(reason));
    }

    bool isAllowed() const { return m_isAllowed; }
    // Empty for an allowed shortcut.
    const QString& reason() const { return m_reason; }

    friend bool operator==(const ValidationResult&, const ValidationResult&) = default;

private:
    ValidationResult(bool isAllowed, QString reason)
        : m_isAllowed(isAllowed), m_reason(std::move(reason)) {}

    bool m_isAllowed;
    QString m_reason;
};

} // namespace KeyboardShortcuts
