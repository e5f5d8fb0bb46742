#pragma once

#include "Base/Result.h"
#include "Capture/Hypertext.h"
#include "Core/CaptureError.h"

#include <QString>
#include <QStringView>

#include <optional>

// The selected text of an accessible whose text holds other accessibles as embedded objects (a
// web page's document or section), read with each embedded object replaced by its own text.
namespace Capture::EmbeddedObjects {

// What an embedded object is in the text that holds it: U+FFFC OBJECT REPLACEMENT CHARACTER.
inline constexpr char16_t character = 0xFFFC;

inline bool contains(QStringView text) {
    return text.contains(QChar(character));
}

// `text`, the range `range` of the text of accessible 0, with each embedded object replaced by
// the selected part of its accessible's text, recursively, in document order, without the
// markers that the application puts before list items. An accessible laid out on lines of its own
// stands on them, a paragraph apart by a blank line, cells of a row a tab apart. Nothing when an
// embedded object could not be read, which leaves its text unknown; fails with selectionTooLarge
// when the texts hold more characters than CaptureError::maxSelectionBytes: before the text that
// would pass it is fetched, or as soon as an application's answer passes it, also one that holds
// more than the range it was asked for.
Base::Result<std::optional<QString>, Core::CaptureError>
expand(Hypertext& hypertext, const QString& text, TextRange range);

// Whether the selection of accessible 0 holds anything that shows: a character other than white
// space and embedded objects, or an embedded object whose accessible says that its own selection
// does, recursively. A browser keeps a selection whose text the page has hidden since (a block
// hidden, a details element closed) over what stands nearest to it, none of which says that it is
// selected. Nothing when accessible 0 has no selection, or when any of that could not be read.
std::optional<bool> selectsShownText(Hypertext& hypertext);

// Whether the selection of accessible 0 is the whole text of one accessible: of accessible 0, or
// of the one embedded object that it selects, followed down, with each object at the ends of
// that text selected whole too. A browser stretches a selection whose text the page hid over the
// whole of the nearest element that still shows. Nothing when accessible 0 has no selection, or
// when any of that could not be read.
std::optional<bool> selectsWhole(Hypertext& hypertext);

// The whole text of accessible 0, each embedded object replaced by the whole of its accessible's
// text, laid out as expand() lays out a selection; as expand(), nothing when an object could not
// be read, and selectionTooLarge past CaptureError::maxSelectionBytes.
Base::Result<std::optional<QString>, Core::CaptureError> readWhole(Hypertext& hypertext);

} // namespace Capture::EmbeddedObjects
