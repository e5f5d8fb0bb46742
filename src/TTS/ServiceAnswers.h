#pragma once

#include "TTS/KeyValidation.h"
#include "TTS/Voice.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The service's answers as read from their bodies: nullopt for a body that is not the record.
namespace TTS::ServiceAnswers {

struct Alignment {
    QStringList characters;
    QList<double> startTimes;
    QList<double> endTimes;
};

// The answer of a synthesis with timestamps; its alignment is absent or null when the service
// sent none.
struct TimestampResponse {
    // As sent, in UTF-8: a chunk's audio is hundreds of kilobytes, and valid Base64 is ASCII.
    QByteArray audioBase64;
    std::optional<Alignment> alignment;
};

std::optional<TimestampResponse> decodeTimestampResponse(const QByteArray& body);

struct ErrorDetail {
    std::optional<QString> status;
    std::optional<QString> message;
};

// The "detail" object of an error body; nullopt when the body is not JSON or the detail is
// absent, null or not an object of optional strings.
std::optional<ErrorDetail> decodeErrorDetail(const QByteArray& body);

// The account's character use and limit from the user record.
std::optional<KeyQuota> decodeQuota(const QByteArray& body);

// The account's voices in the service's order; one malformed voice refuses the whole list.
std::optional<QList<Voice>> decodeVoices(const QByteArray& body);

} // namespace TTS::ServiceAnswers
