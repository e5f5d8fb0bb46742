#include "TTS/DiagJSON.h"

#include "Base/Unicode.h"
#include "Core/StableHash.h"

#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <charconv>
#include <string>
#include <vector>

namespace TTS::DiagJSON {

namespace {

using Base::Json::Value;

QString childPath(const QString& prefix, const std::string& key) {
    const QString name = Base::Json::text(key);
    return prefix.isEmpty() ? name : prefix + u'.' + name;
}

// The last key of a path, without array indices, in lower case.
QString leafKey(const QString& path) {
    static const QRegularExpression index(QStringLiteral("\\[[0-9]+\\]"));
    const QStringList pieces = path.split(u'.', Qt::SkipEmptyParts);
    QString key = pieces.isEmpty() ? path : pieces.last();
    return key.remove(index).toLower();
}

QString numberText(double number) {
    std::array<char, 32> buffer{};
    const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), number).ptr;
    return QString::fromLatin1(buffer.data(), end - buffer.data());
}

// Appends the lines of `value` to `out`: one list for the whole walk, whose depth the parse bounds.
void flattenInto(const Value& value, const QString& path, QStringList& out) {
    if (value.is_object()) {
        std::vector<const std::string*> keys;
        for (auto member = value.begin(); member != value.end(); ++member)
            keys.push_back(&member.key());
        std::sort(keys.begin(), keys.end(), [](auto a, auto b) { return *a < *b; });
        for (const std::string* key : keys)
            flattenInto(value.at(*key), childPath(path, *key), out);
    } else if (value.is_array()) {
        if (value.empty())
            out.append(path + QStringLiteral("=[]"));
        for (size_t i = 0; i < value.size(); ++i)
            flattenInto(value.at(i), path + u'[' + QString::number(i) + u']', out);
    } else {
        out.append(path + u'=' + render(path, value));
    }
}

} // namespace

QStringList lines(const QByteArray& data) {
    const auto parsed = Base::Json::parse(data);
    if (!parsed || !parsed->is_structured())
        return {QStringLiteral("<undecodable len=%1>").arg(data.size())};
    return flatten(*parsed, QString());
}

QStringList flatten(const Value& value, const QString& path) {
    QStringList out;
    flattenInto(value, path, out);
    return out;
}

QString render(const QString& path, const Value& value) {
    const QString key = leafKey(path);
    if (key.contains(u"key") || key.contains(u"token") || key.contains(u"secret"))
        return QStringLiteral("REDACTED");
    const QString text = scalarText(value);
    if (key.contains(u"voice_id"))
        return QStringLiteral("idHash=") + QString::number(Core::stableHash(text));
    if (key.contains(u"url"))
        return QStringLiteral("len=") + QString::number(Base::Unicode::graphemeCount(text));
    return text;
}

QString scalarText(const Value& value) {
    switch (value.type()) {
    case Value::value_t::null:
        return QStringLiteral("null");
    case Value::value_t::boolean:
        return value.get<bool>() ? QStringLiteral("true") : QStringLiteral("false");
    case Value::value_t::number_integer:
        return QString::number(value.get<qint64>());
    case Value::value_t::number_unsigned:
        return QString::number(value.get<quint64>());
    case Value::value_t::number_float:
        return numberText(value.get<double>());
    case Value::value_t::string:
        return Base::Json::text(value.get_ref<const std::string&>());
    default:
        return QString::fromStdString(value.dump());
    }
}

} // namespace TTS::DiagJSON
