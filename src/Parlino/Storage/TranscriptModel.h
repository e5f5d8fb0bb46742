#pragma once

#include <QString>
#include <QtGlobal>

namespace Parlino {

// How an exported transcript names and prices the synthesis model of a clip, found by the
// model identifier the clip's manifest records.
struct TranscriptModel {
    QString modelID;
    QString name;
    // The text characters one credit pays for; a part of a credit counts as a whole one.
    qint64 charactersPerCredit = 1;

    qint64 credits(qint64 characters) const {
        return (characters + charactersPerCredit - 1) / charactersPerCredit;
    }
};

} // namespace Parlino
