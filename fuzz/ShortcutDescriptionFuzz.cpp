// A shortcut's description for any key code, modifier mask and layout: the modifiers' names in
// their fixed order, then the key's part, which the modifiers do not change; a key whose layout
// types one character shows that character capitalized, one that types none U+FFFD.
#include "KeyboardShortcuts/KeyboardLayout.h"
#include "KeyboardShortcuts/Shortcut.h"
#include "KeyboardShortcuts/SpecialKey.h"
#include "fuzz/FuzzInput.h"

#include <cstring>

namespace KS = KeyboardShortcuts;

namespace {

// Every key types the same text.
class OneTextLayout final : public KS::KeyboardLayout {
public:
    explicit OneTextLayout(QString text) : m_text(std::move(text)) {}
    QString text(quint16) const override { return m_text; }

private:
    QString m_text;
};

QString expectedPrefix(qint64 carbonModifiers) {
    const std::pair<qint64, const char*> order[] = {{KS::CarbonModifier::control, "Ctrl+"},
                                                    {KS::CarbonModifier::option, "Alt+"},
                                                    {KS::CarbonModifier::shift, "Shift+"},
                                                    {KS::CarbonModifier::command, "Super+"},
                                                    {KS::CarbonModifier::function, "Fn+"}};
    QString prefix;
    for (const auto& [bit, name] : order)
        if (carbonModifiers & bit)
            prefix += QString::fromLatin1(name);
    return prefix;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 16)
        return 0;
    qint64 keyCode = 0;
    qint64 modifiers = 0;
    std::memcpy(&keyCode, data, 8);
    std::memcpy(&modifiers, data + 8, 8);
    // Mostly plain key codes, now and then any 64-bit value.
    if ((modifiers & 1) == 0)
        keyCode &= 0xff;
    const QString typed = QString::fromUtf8(Fuzz::bytes(data + 16, size - 16));
    KS::setKeyboardLayout(std::make_shared<OneTextLayout>(typed));

    const QString description = KS::Shortcut(keyCode, modifiers).description();
    const QString keyPart = KS::Shortcut(keyCode, 0).description();
    Fuzz::require(!keyPart.isEmpty());
    Fuzz::require(description == expectedPrefix(modifiers) + keyPart);
    if (!KS::SpecialKey::find(keyCode)) {
        const auto character = KS::layoutCharacter(keyCode);
        Fuzz::require(character.has_value() != (keyPart == QString(QChar::ReplacementCharacter)) ||
                      typed == QString(QChar::ReplacementCharacter));
        // Capitalizing changes only the letter's case: upper-cased, both read alike. (Case
        // folding would not: the capital of the Turkic dotless ı is I, which folds to i.)
        if (character)
            Fuzz::require(keyPart.toUpper() == character->toUpper());
    }
    KS::setKeyboardLayout(nullptr);
    return 0;
}
