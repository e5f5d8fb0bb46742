#pragma once

#include "Parlino/Panel/SurfaceWindow.h"

#include <QStringList>
#include <QWidget>

#include <memory>

namespace TestSupport {

// A surface window that only records what was done to it, in order.
class FakeSurfaceWindow final : public Parlino::SurfaceWindow {
public:
    void setContentView(QWidget* view) override { content.reset(view); }
    void setFrame(const QRectF& frame, bool display) override {
        m_frame = frame;
        calls << (display ? QStringLiteral("setFrame+display") : QStringLiteral("setFrame"));
    }
    QRectF frame() const override { return m_frame; }
    void orderFront() override {
        shown = true;
        calls << QStringLiteral("orderFront");
    }
    void orderOut() override {
        shown = false;
        calls << QStringLiteral("orderOut");
    }
    bool isShown() const override { return shown; }
    void makeKey() override { calls << QStringLiteral("makeKey"); }
    void makeKeyAtEnd(Parlino::TabDirection direction) override {
        calls << (direction == Parlino::TabDirection::forward
                      ? QStringLiteral("makeKeyAtEnd forward")
                      : QStringLiteral("makeKeyAtEnd backward"));
    }
    void setIgnoresMouse(bool ignores) override {
        m_ignoresMouse = ignores;
        calls << (ignores ? QStringLiteral("ignoresMouse=true")
                          : QStringLiteral("ignoresMouse=false"));
    }
    bool ignoresMouse() const override { return m_ignoresMouse; }
    void setInputArea(const std::optional<QRectF>& area) override { inputArea = area; }

    std::unique_ptr<QWidget> content;
    QStringList calls;
    bool shown = false;
    std::optional<QRectF> inputArea;

private:
    QRectF m_frame;
    bool m_ignoresMouse = false;
};

} // namespace TestSupport
