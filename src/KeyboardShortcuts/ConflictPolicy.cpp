#include "KeyboardShortcuts/ConflictPolicy.h"

namespace KeyboardShortcuts {

namespace {

ConflictResolution resolutionOf(ConflictBehavior behavior) {
    switch (behavior) {
    case ConflictBehavior::block:
        return ConflictResolution::refuse;
    case ConflictBehavior::warn:
        return ConflictResolution::askToForce;
    case ConflictBehavior::allow:
        break;
    }
    return ConflictResolution::take;
}

} // namespace

ConflictResolution ConflictPolicy::resolution(Conflict conflict) const {
    switch (conflict) {
    case Conflict::menuItem:
        return resolutionOf(menuItem);
    case Conflict::systemShortcut:
        return resolutionOf(systemShortcut);
    case Conflict::disallowed:
        break;
    }
    return disallowed == ConflictBehavior::allow ? ConflictResolution::take
                                                 : ConflictResolution::refuse;
}

} // namespace KeyboardShortcuts
