#include "Parlino/Style/MotionPreferences.h"

#include <QByteArray>

#include <optional>

namespace Parlino {

namespace {

std::optional<bool> pinned(const char* variable) {
    const QByteArray value = qgetenv(variable);
    if (value == "1")
        return true;
    if (value == "0")
        return false;
    return std::nullopt;
}

} // namespace

MotionPreferences::MotionPreferences(QObject* parent) : QObject(parent) {
    if (const auto motion = pinned("PARLINO_REDUCE_MOTION")) {
        m_reduceMotion = *motion;
        m_motionPinned = true;
    }
    if (const auto transparency = pinned("PARLINO_REDUCE_TRANSPARENCY")) {
        m_reduceTransparency = *transparency;
        m_transparencyPinned = true;
    }
}

void MotionPreferences::setReduceMotion(bool reduce) {
    if (m_motionPinned || reduce == m_reduceMotion)
        return;
    m_reduceMotion = reduce;
    emit reduceMotionChanged();
}

void MotionPreferences::setReduceTransparency(bool reduce) {
    if (m_transparencyPinned || reduce == m_reduceTransparency)
        return;
    m_reduceTransparency = reduce;
    emit reduceTransparencyChanged();
}

} // namespace Parlino
