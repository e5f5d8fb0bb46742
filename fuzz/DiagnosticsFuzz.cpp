// The diagnostics' walk of a service answer: a body that is not a JSON object or array is one
// line that says so; every other line is "path=value".
#include "TTS/DiagJSON.h"
#include "fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray body = Fuzz::bytes(data, size);
    const QStringList lines = TTS::DiagJSON::lines(body);
    const bool undecodable = lines.size() == 1 && lines.first().startsWith(u"<undecodable len=");
    const auto parsed = Base::Json::parse(body);
    Fuzz::require(undecodable == !(parsed && parsed->is_structured()));
    if (!undecodable) {
        for (const QString& line : lines)
            Fuzz::require(line.contains(u'='));
    }
    return 0;
}
