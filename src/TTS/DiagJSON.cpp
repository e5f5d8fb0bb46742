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
    const QString name = QString::fromStdString(key);
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

} // namespace

QStringList lines(const QByteArray& data) {
    const auto parsed = Base::Json::parse(data);
    if (!parsed || !parsed->is_structured())
        return {QStringLiteral("<undecodable len=%1>").arg(data.size())};
    return flatten(*parsed, QString());
}

QStringList flatten(const Value& value, const QString& path) {
    QStringList out;
    if (value.is_object()) {
        std::vector<std::string> keys;
        for (const auto& [key, _] : value.items())
            keys.push_back(key);
        std::sort(keys.begin(), keys.end());
        for (const std::string& key : keys)
            out += flatten(value.at(key), childPath(path, key));
    } else if (value.is_array()) {
        if (value.empty())
            out.append(path + QStringLiteral("=[]"));
        for (size_t i = 0; i < value.size(); ++i)
            out += flatten(value.at(i), path + u'[' + QString::number(i) + u']');
    } else {
        out.append(path + u'=' + render(path, value));
    }
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
        return QString::fromStdString(value.get_ref<const std::string&>());
    default:
        return QString::fromStdString(value.dump());
    }
}

} // namespace TTS::DiagJSON
