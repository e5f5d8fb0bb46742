#pragma once

#include "Base/Json.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace TTS::DiagJSON {

// The walk of a response body: one "path=value" line per JSON value, or the single line
// "<undecodable len=N>" when the body is not a JSON object or array.
QStringList lines(const QByteArray& data);

// The lines of a parsed value at `path`: object members in ascending key order joined with ".",
// array elements as "[i]", an empty array as "path=[]"; an empty object gives no line.
QStringList flatten(const Base::Json::Value& value, const QString& path);

// A leaf's rendering, judged by the last key of its path: secrets ("key", "token", "secret")
// become "REDACTED", voice identifiers "idHash=<hash>", addresses ("url") "len=<characters>".
QString render(const QString& path, const Base::Json::Value& value);

// A leaf's text: null, true, false, the number as written in the shortest form, or the string.
QString scalarText(const Base::Json::Value& value);

} // namespace TTS::DiagJSON
