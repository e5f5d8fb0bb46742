#pragma once

#include <QObject>
#include <QString>

#include <optional>

namespace Parlino {

// Posted with no object and no user information after the API key was saved or removed.
inline const QString apiKeyChanged = QStringLiteral("com.parlino.apiKeyChanged");

enum class KeyPresence { present, absent, locked, unknown };

// What the warning pill shows.
class ActiveWarning {
public:
    enum class Kind { none, noKey, usageLow };

    static ActiveWarning none() { return ActiveWarning(Kind::none); }
    static ActiveWarning noKey() { return ActiveWarning(Kind::noKey); }
    static ActiveWarning usageLow(qint64 charactersLeft) {
        ActiveWarning warning(Kind::usageLow);
        warning.m_charactersLeft = charactersLeft;
        return warning;
    }

    Kind kind() const { return m_kind; }
    qint64 charactersLeft() const { return m_charactersLeft; }

    friend bool operator==(const ActiveWarning&, const ActiveWarning&) = default;

private:
    explicit ActiveWarning(Kind kind) : m_kind(kind) {}

    Kind m_kind;
    qint64 m_charactersLeft = 0;
};

// Decides which warning the panel's pill shows, from the key state, the quota left and whether
// the network failed; never from the outcome of a read. Setters notify only on a change and,
// apart from setKeyPresence(), leave `current` alone until recompute(). Main thread only.
class WarningModel : public QObject {
    Q_OBJECT

public:
    // At or below this many characters left, the usage warning shows.
    static constexpr qint64 usageLowThreshold = 500;

    explicit WarningModel(QObject* parent = nullptr);

    const ActiveWarning& current() const { return m_current; }
    void setCurrent(const ActiveWarning& warning);

    bool dismissedThisSession() const { return m_dismissedThisSession; }
    void setDismissedThisSession(bool dismissed);

    KeyPresence keyPresence() const { return m_keyPresence; }
    // Sets the presence, forgets the quota and the network failure, and recomputes.
    void setKeyPresence(KeyPresence presence);

    std::optional<qint64> charactersRemaining() const { return m_charactersRemaining; }
    void setCharactersRemaining(std::optional<qint64> characters);

    bool networkFailed() const { return m_networkFailed; }
    void setNetworkFailed(bool failed);

    void recompute();

signals:
    void currentChanged();
    void dismissedThisSessionChanged();
    void keyPresenceChanged();
    void charactersRemainingChanged();
    void networkFailedChanged();

private:
    ActiveWarning derived() const;

    ActiveWarning m_current = ActiveWarning::none();
    bool m_dismissedThisSession = false;
    KeyPresence m_keyPresence = KeyPresence::unknown;
    std::optional<qint64> m_charactersRemaining;
    bool m_networkFailed = false;
};

} // namespace Parlino
