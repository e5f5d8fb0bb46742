#pragma once

#include "Parlino/Panel/ScreenProvider.h"

#include <QMap>

namespace TestSupport {

// Screens set by the test, in bottom-up coordinates; counts how often each is read.
class FakeScreenProvider final : public Parlino::ScreenProvider {
public:
    void addScreen(Parlino::ScreenId id, const Parlino::ScreenScalars& scalars) {
        m_order << id;
        m_screens.insert(id, scalars);
        emit screenParametersChanged();
    }
    void setMainScreen(std::optional<Parlino::ScreenId> id) { m_main = id; }
    void setPointer(QPointF pointer) { m_pointer = pointer; }
    void setCompositor(bool running) {
        m_compositor = running;
        emit compositorChanged();
    }

    QList<Parlino::ScreenId> screens() const override { return m_order; }
    std::optional<Parlino::ScreenId> mainScreen() const override { return m_main; }
    std::optional<Parlino::ScreenScalars> scalars(Parlino::ScreenId id) const override {
        ++reads;
        const auto found = m_screens.find(id);
        return found == m_screens.end() ? std::nullopt : std::optional(*found);
    }
    QPointF pointerLocation() const override { return m_pointer; }
    bool hasCompositor() const override { return m_compositor; }

    mutable int reads = 0;

private:
    QList<Parlino::ScreenId> m_order;
    QMap<Parlino::ScreenId, Parlino::ScreenScalars> m_screens;
    std::optional<Parlino::ScreenId> m_main;
    QPointF m_pointer;
    bool m_compositor = true;
};

// A plain screen: `width` × `height` at the origin with a top panel `topPanel` tall.
inline Parlino::ScreenScalars plainScreen(qreal width, qreal height, qreal topPanel) {
    return {QRectF(0, 0, width, height), QRectF(0, 0, width, height - topPanel), 0, 0, 0};
}

} // namespace TestSupport
