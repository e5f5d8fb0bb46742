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
    if (!word)
        return Base::failure(word.error());
    if (!start)
        return Base::failure(start.error());
    if (!end)
        return Base::failure(end.error());
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
    Value array = Value::array();
    for (const auto& w : words)
        array.push_back(w.toJson());
    return array;
}

Base::Json::Read<QList<WordTiming>> wordTimingsFromJson(const Value& json) {
    if (!json.is_array())
        return Base::failure(Error{QStringLiteral("expected an array of word timings")});
    QList<WordTiming> words;
    words.reserve(static_cast<qsizetype>(json.size()));
    for (const auto& element : json) {
        auto word = WordTiming::fromJson(element);
        if (!word)
            return Base::failure(word.error());
        words.append(std::move(word).value());
    }
    return words;
}

} // namespace Core
