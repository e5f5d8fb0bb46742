#pragma once

#include <QtGlobal>

#include <optional>

namespace TTS {

// The account's character quota.
struct KeyQuota {
    qint64 used = 0;  // "character_count"
    qint64 limit = 0; // "character_limit"
    friend bool operator==(const KeyQuota&, const KeyQuota&) = default;
};

// What checking an API key found out: the key works and the quota was read, or the key works
// but may not read usage.
class KeyValidation {
public:
    static KeyValidation withQuota(KeyQuota quota) { return KeyValidation(quota); }
    static KeyValidation authenticatedNoUsage() { return KeyValidation(std::nullopt); }

    // Absent for a key that may not read usage.
    const std::optional<KeyQuota>& quota() const { return m_quota; }

    friend bool operator==(const KeyValidation&, const KeyValidation&) = default;

private:
    explicit KeyValidation(std::optional<KeyQuota> quota) : m_quota(quota) {}

    std::optional<KeyQuota> m_quota;
};

} // namespace TTS
