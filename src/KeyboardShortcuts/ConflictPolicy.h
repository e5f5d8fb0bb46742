#pragma once

#include <QHashFunctions>
#include <QtGlobal>

namespace KeyboardShortcuts {

// What a recorder does with a shortcut that falls into a kind of conflict.
enum class ConflictBehavior : quint8 {
    block, // alert with only the default button, and refuse
    warn,  // alert with "ok" and "force_use_shortcut"; take it only through the second
    allow, // take it without an alert
};

// The kinds of conflict a recorded shortcut is checked for.
enum class Conflict {
    menuItem,       // a key equivalent of a menu item of the application
    systemShortcut, // an enabled shortcut of the desktop
    disallowed,     // a combination not allowed on the running system
};

// What the recorder does, all told, about one conflict.
enum class ConflictResolution {
    refuse,     // alert without a choice, shortcut refused
    askToForce, // alert offering to use the shortcut anyway
    take,       // no alert, shortcut taken
};

struct ConflictPolicy {
    ConflictBehavior menuItem = ConflictBehavior::block;
    ConflictBehavior systemShortcut = ConflictBehavior::warn;
    ConflictBehavior disallowed = ConflictBehavior::block;

    static constexpr ConflictPolicy standard() { return {}; }
    static constexpr ConflictPolicy allowAll() {
        return {ConflictBehavior::allow, ConflictBehavior::allow, ConflictBehavior::allow};
    }

    // A disallowed combination can never be forced: only `allow` lets it through.
    ConflictResolution resolution(Conflict conflict) const;

    friend bool operator==(const ConflictPolicy&, const ConflictPolicy&) = default;
};

inline size_t qHash(const ConflictPolicy& policy, size_t seed = 0) {
    return qHashMulti(seed, quint8(policy.menuItem), quint8(policy.systemShortcut),
                      quint8(policy.disallowed));
}

} // namespace KeyboardShortcuts
