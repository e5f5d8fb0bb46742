#pragma once

#include "KeyboardShortcuts/Key.h"
#include "KeyboardShortcuts/KeyboardLayout.h"

#include <QHash>

#include <memory>

namespace TestSupport {

// A fixed keyboard layout: the text of each key given by virtual key code.
class FakeKeyboardLayout final : public KeyboardShortcuts::KeyboardLayout {
public:
    explicit FakeKeyboardLayout(QHash<quint16, QString> texts) : m_texts(std::move(texts)) {}

    // The letters and digits of a US layout.
    static std::shared_ptr<FakeKeyboardLayout> us() {
        using KeyboardShortcuts::Key;
        QHash<quint16, QString> texts;
        const Key letters[] = {Key::a, Key::b, Key::c, Key::d, Key::e, Key::f, Key::g,
                               Key::h, Key::i, Key::j, Key::k, Key::l, Key::m, Key::n,
                               Key::o, Key::p, Key::q, Key::r, Key::s, Key::t, Key::u,
                               Key::v, Key::w, Key::x, Key::y, Key::z};
        for (int i = 0; i < 26; ++i)
            texts.insert(quint16(letters[i].rawValue), QString(QChar(u'a' + i)));
        const Key digits[] = {Key::zero, Key::one, Key::two,   Key::three, Key::four,
                              Key::five, Key::six, Key::seven, Key::eight, Key::nine};
        for (int i = 0; i < 10; ++i)
            texts.insert(quint16(digits[i].rawValue), QString(QChar(u'0' + i)));
        return std::make_shared<FakeKeyboardLayout>(std::move(texts));
    }

    QString text(quint16 keyCode) const override { return m_texts.value(keyCode); }

private:
    QHash<quint16, QString> m_texts;
};

// Makes `layout` the current keyboard layout while it lives.
class KeyboardLayoutScope {
public:
    explicit KeyboardLayoutScope(std::shared_ptr<const KeyboardShortcuts::KeyboardLayout> layout) {
        KeyboardShortcuts::setKeyboardLayout(std::move(layout));
    }
    ~KeyboardLayoutScope() { KeyboardShortcuts::setKeyboardLayout(nullptr); }
    KeyboardLayoutScope(const KeyboardLayoutScope&) = delete;
    KeyboardLayoutScope& operator=(const KeyboardLayoutScope&) = delete;
};

} // namespace TestSupport
