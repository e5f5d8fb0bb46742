#include "KeyboardShortcuts/Linux/XKeyCodes.h"

#include "KeyboardShortcuts/Key.h"

#include <QHash>

#include <array>
#include <utility>

namespace KeyboardShortcuts::XKeyCodes {

namespace {

// The X server numbers keys by their evdev codes (linux/input-event-codes.h) plus 8.
constexpr quint32 evdevOffset = 8;

// Virtual key code and the evdev code of the key at the same place. Help is Insert, the
// keypad's Clear is Num Lock, Command is Super and Option is Alt.
const std::array<std::pair<Key, quint32>, 113> evdevCodes{{
    {Key::a, 30},
    {Key::s, 31},
    {Key::d, 32},
    {Key::f, 33},
    {Key::h, 35},
    {Key::g, 34},
    {Key::z, 44},
    {Key::x, 45},
    {Key::c, 46},
    {Key::v, 47},
    {Key::b, 48},
    {Key::q, 16},
    {Key::w, 17},
    {Key::e, 18},
    {Key::r, 19},
    {Key::y, 21},
    {Key::t, 20},
    {Key::one, 2},
    {Key::two, 3},
    {Key::three, 4},
    {Key::four, 5},
    {Key::six, 7},
    {Key::five, 6},
    {Key::equal, 13},
    {Key::nine, 10},
    {Key::seven, 8},
    {Key::minus, 12},
    {Key::eight, 9},
    {Key::zero, 11},
    {Key::rightBracket, 27},
    {Key::o, 24},
    {Key::u, 22},
    {Key::leftBracket, 26},
    {Key::i, 23},
    {Key::p, 25},
    {Key::returnKey, 28},
    {Key::l, 38},
    {Key::j, 36},
    {Key::quote, 40},
    {Key::k, 37},
    {Key::semicolon, 39},
    {Key::backslash, 43},
    {Key::comma, 51},
    {Key::slash, 53},
    {Key::n, 49},
    {Key::m, 50},
    {Key::period, 52},
    {Key::tab, 15},
    {Key::space, 57},
    {Key::backtick, 41},
    {Key::deleteKey, 14},
    {Key::escape, 1},
    {Key::rightCommand, 126},
    {Key::command, 125},
    {Key::shift, 42},
    {Key::capsLock, 58},
    {Key::option, 56},
    {Key::control, 29},
    {Key::rightShift, 54},
    {Key::rightOption, 100},
    {Key::rightControl, 97},
    {Key::f17, 187},
    {Key::keypadDecimal, 83},
    {Key::keypadMultiply, 55},
    {Key::keypadPlus, 78},
    {Key::keypadClear, 69},
    {Key::volumeUp, 115},
    {Key::volumeDown, 114},
    {Key::mute, 113},
    {Key::keypadDivide, 98},
    {Key::keypadEnter, 96},
    {Key::keypadMinus, 74},
    {Key::f18, 188},
    {Key::f19, 189},
    {Key::keypadEquals, 117},
    {Key::keypad0, 82},
    {Key::keypad1, 79},
    {Key::keypad2, 80},
    {Key::keypad3, 81},
    {Key::keypad4, 75},
    {Key::keypad5, 76},
    {Key::keypad6, 77},
    {Key::keypad7, 71},
    {Key::f20, 190},
    {Key::keypad8, 72},
    {Key::keypad9, 73},
    {Key::f5, 63},
    {Key::f6, 64},
    {Key::f7, 65},
    {Key::f3, 61},
    {Key::f8, 66},
    {Key::f9, 67},
    {Key::f11, 87},
    {Key::f13, 183},
    {Key::f16, 186},
    {Key::f14, 184},
    {Key::f10, 68},
    {Key::f12, 88},
    {Key::f15, 185},
    {Key::help, 110},
    {Key::home, 102},
    {Key::pageUp, 104},
    {Key::deleteForward, 111},
    {Key::f4, 62},
    {Key::end, 107},
    {Key::f2, 60},
    {Key::pageDown, 109},
    {Key::f1, 59},
    {Key::leftArrow, 105},
    {Key::rightArrow, 106},
    {Key::downArrow, 108},
    {Key::upArrow, 103},
    {Key(10), 86}, // the key left of Z on ISO keyboards
}};

const QHash<qint64, quint32>& xByVirtual() {
    static const QHash<qint64, quint32> table = [] {
        QHash<qint64, quint32> codes;
        for (const auto& [key, evdev] : evdevCodes)
            codes.insert(key.rawValue, evdev + evdevOffset);
        return codes;
    }();
    return table;
}

const QHash<quint32, qint64>& virtualByX() {
    static const QHash<quint32, qint64> table = [] {
        QHash<quint32, qint64> codes;
        for (const auto& [key, evdev] : evdevCodes)
            codes.insert(evdev + evdevOffset, key.rawValue);
        return codes;
    }();
    return table;
}

} // namespace

std::optional<quint32> fromVirtual(qint64 virtualKeyCode) {
    const auto it = xByVirtual().constFind(virtualKeyCode);
    return it == xByVirtual().cend() ? std::nullopt : std::optional(*it);
}

std::optional<qint64> toVirtual(quint32 xKeyCode) {
    const auto it = virtualByX().constFind(xKeyCode);
    return it == virtualByX().cend() ? std::nullopt : std::optional(*it);
}

} // namespace KeyboardShortcuts::XKeyCodes
