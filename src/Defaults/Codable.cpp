#include "Defaults/Codable.h"

#include <cstdio>

namespace Defaults::detail {

std::optional<QString> writeSortedJson(const nlohmann::json& json) {
    // nlohmann::json keeps object members sorted by key; the base writer keeps that order.
    auto text = Base::Json::serialize(Base::Json::Value(json));
    if (!text) {
        reportEncodingFailure(qPrintable(text.error().message));
        return std::nullopt;
    }
    return QString::fromUtf8(*text);
}

void reportEncodingFailure(const char* reason) {
    std::printf("%s\n", reason);
    std::fflush(stdout);
}

} // namespace Defaults::detail
