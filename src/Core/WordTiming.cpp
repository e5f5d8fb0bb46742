#include "Core/WordTiming.h"

namespace Core {

using Base::Json::Error;
using Base::Json::Value;

Value WordTiming::toJson() const {
    Value json = Value::object();
    json["word"] = word;
    json["range"] = Value::array({range.lower, range.upper});
    json["start"] = start;
    json["end"] = end;
    return json;
}

Base::Json::Read<WordTiming> WordTiming::fromJson(const Value& json) {
    auto word = Base::Json::require<QString>(json, "word");
    auto start = Base::Json::require<double>(json, "start");
    auto end = Base::Json::require<double>(json, "end");
    if (auto error = Base::Json::firstError(word, start, end))
        return Base::failure(*error);
    const auto range = json.find("range");
    if (range == json.end())
        return Base::failure(Error{QStringLiteral("missing key \"range\"")});
    if (!range->is_array() || range->size() != 2)
        return Base::failure(Error{QStringLiteral("\"range\" must hold two integers")});
    auto lower = Base::Json::as<qint64>((*range)[0]);
    auto upper = Base::Json::as<qint64>((*range)[1]);
    if (!lower || !upper)
        return Base::failure(Error{QStringLiteral("\"range\" must hold two integers")});
    if (*lower > *upper)
        return Base::failure(
            Error{QStringLiteral("\"range\" lower bound exceeds its upper bound")});
    return WordTiming{*word, {*lower, *upper}, *start, *end};
}

Value toJson(const QList<WordTiming>& words) {
    return Base::Json::toJsonArray(words);
}

Base::Json::Read<QList<WordTiming>> wordTimingsFromJson(const Value& json) {
    return Base::Json::arrayOf<WordTiming>(json, &WordTiming::fromJson);
}

} // namespace Core
