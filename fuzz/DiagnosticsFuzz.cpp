// The diagnostics' walk of a service answer: a body that is not a JSON object or array is one
// line that says so; otherwise one "path=value" line for each leaf and each empty array, and a
// leaf whose key names a secret shows "REDACTED".
#include "TTS/DiagJSON.h"
#include "fuzz/FuzzInput.h"

namespace {

using Base::Json::Value;

qsizetype linesFor(const Value& value) {
    if (!value.is_structured())
        return 1;
    if (value.is_array() && value.empty())
        return 1;
    qsizetype lines = 0;
    for (const auto& child : value)
        lines += linesFor(child);
    return lines;
}

bool namesSecret(const QString& path) {
    const QString last = path.section(u'.', -1).toLower();
    return last.contains(u"key") || last.contains(u"token") || last.contains(u"secret");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray body = Fuzz::bytes(data, size);
    const QStringList lines = TTS::DiagJSON::lines(body);
    const auto parsed = Base::Json::parse(body);
    if (!parsed || !parsed->is_structured()) {
        Fuzz::require(lines == QStringList{QStringLiteral("<undecodable len=%1>").arg(size)});
        return 0;
    }
    Fuzz::require(lines.size() == linesFor(*parsed));
    for (const QString& line : lines) {
        const qsizetype equals = line.indexOf(u'=');
        Fuzz::require(equals >= 0);
        const QString value = line.sliced(equals + 1);
        // Where a key or a value holds "=" too, the line cannot be split without the document.
        if (line.count(u'=') == 1 && namesSecret(line.first(equals)) && value != u"[]")
            Fuzz::require(value == u"REDACTED");
    }
    return 0;
}
