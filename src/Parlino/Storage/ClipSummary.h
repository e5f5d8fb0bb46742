#pragma once

#include "Base/Date.h"

#include <QHashFunctions>
#include <QString>

namespace Parlino {

// A saved clip's identifier: the name of its folder in the clip library.
struct ClipID {
    QString rawValue;
    friend bool operator==(const ClipID&, const ClipID&) = default;

    // Only one plain folder name can name a clip: not empty, not "." or "..", not the
    // library's "staging" folder, and without a separator.
    bool isValid() const;
};

inline size_t qHash(const ClipID& id, size_t seed = 0) {
    return qHash(id.rawValue, seed);
}

// One saved clip as listed.
struct ClipSummary {
    ClipID id;
    QString preview; // the first 200 user-perceived characters of the text
    Base::Date createdAt;
    double totalDuration = 0; // seconds
    friend bool operator==(const ClipSummary&, const ClipSummary&) = default;
};

} // namespace Parlino
