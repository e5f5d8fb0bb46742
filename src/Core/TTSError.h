#pragma once

#include <QString>

#include <optional>

namespace Core {

// The error of synthesis and of the text-to-speech service, and of what a read needs besides the
// service: the saved key and the sound output. Carries no user-facing text.
class TTSError {
public:
    enum class Kind {
        network,
        providerFault,
        unauthorized,
        accountInProbation,
        insufficientCredits,
        insufficientPermissions,
        entitlementExceeded,
        textTooLong,
        // No key is saved, so nothing was sent.
        noKey,
        // The key store reported an error, so nothing was sent.
        keyUnreadable,
        // The keyring that holds the key is locked, so nothing was sent.
        keyLocked,
        // The key store could not be reached at all (no keyring service, or none answering), so
        // nothing was sent.
        keyringUnavailable,
        // The keyring service holds no default keyring, so no key can be saved yet.
        noKeyring,
        // The keyring is locked and the desktop asks the user to unlock it, so nothing was sent.
        keyringAwaitingUnlock,
        // The saved key is not text, so it cannot be sent.
        keyUnusable,
        // The sound output went away while the read was playing.
        audioOutputLost,
    };

    static TTSError network(QString description) {
        return {Kind::network, 0, std::move(description)};
    }
    // A network error of a request that got no answer at all within its time-out.
    static TTSError unanswered(QString description) {
        TTSError error{Kind::network, 0, std::move(description)};
        error.m_unanswered = true;
        return error;
    }
    static TTSError providerFault(int status, QString message) {
        return {Kind::providerFault, status, std::move(message)};
    }
    // A rate-limited answer (429), with the wait it asked for before the next request, when it
    // named one.
    static TTSError rateLimited(QString message, std::optional<double> retryAfter) {
        TTSError error{Kind::providerFault, 429, std::move(message)};
        error.m_retryAfter = retryAfter;
        return error;
    }
    static TTSError unauthorized() { return {Kind::unauthorized}; }
    static TTSError accountInProbation() { return {Kind::accountInProbation}; }
    static TTSError insufficientCredits() { return {Kind::insufficientCredits}; }
    static TTSError insufficientPermissions() { return {Kind::insufficientPermissions}; }
    static TTSError entitlementExceeded() { return {Kind::entitlementExceeded}; }
    static TTSError textTooLong() { return {Kind::textTooLong}; }
    static TTSError noKey() { return {Kind::noKey}; }
    static TTSError keyUnreadable() { return {Kind::keyUnreadable}; }
    static TTSError keyLocked() { return {Kind::keyLocked}; }
    static TTSError keyringUnavailable() { return {Kind::keyringUnavailable}; }
    static TTSError noKeyring() { return {Kind::noKeyring}; }
    static TTSError keyringAwaitingUnlock() { return {Kind::keyringAwaitingUnlock}; }
    static TTSError keyUnusable() { return {Kind::keyUnusable}; }
    static TTSError audioOutputLost() { return {Kind::audioOutputLost}; }

    Kind kind() const { return m_kind; }
    // The HTTP status of a providerFault; 0 for every other kind.
    int status() const { return m_status; }
    // The transport description of a network error, or the message of a providerFault.
    const QString& message() const { return m_message; }

    // The case's name as logs print it: "network", "providerFault", "unauthorized", …
    QString kindName() const;

    // The seconds a rate-limited answer asked to wait before the next request.
    std::optional<double> retryAfter() const { return m_retryAfter; }

    // True for the network error of a request that went unanswered.
    bool isUnanswered() const { return m_unanswered; }

    // Network errors, rate limiting (429) and server faults (5xx) are worth retrying; a request
    // that went unanswered for its whole time-out is not: another wait as long would only keep
    // the user waiting.
    bool isRetryable() const;
    // The service refused the voice: not found (404), probation, or missing permission.
    bool isVoiceRejection() const;

    friend bool operator==(const TTSError&, const TTSError&) = default;

private:
    TTSError(Kind kind, int status = 0, QString message = {})
        : m_kind(kind), m_status(status), m_message(std::move(message)) {}

    Kind m_kind;
    int m_status;
    QString m_message;
    bool m_unanswered = false;
    std::optional<double> m_retryAfter;
};

} // namespace Core
