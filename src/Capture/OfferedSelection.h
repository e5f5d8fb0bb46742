#pragma once

#include <QString>
#include <QStringView>

#include <functional>

// A web page's selected text held against the text that its browser offers as the selection. The
// two differ for one and the same selection: the page's text holds what the page draws itself
// (quotation marks, numbers and markers before or after an element's text, ruby text) and the
// values of its fields; the offered text is the browser's copy; either may hold format characters
// that the other lacks; and a browser may cut the page's selection of a line short, or start it
// early, by a few characters (one for each soft hyphen or each character beyond the Basic
// Multilingual Plane before the place). So the two are compared by their words: runs of letters,
// digits and marks, each ideograph a word of its own, case-folded and in compatibility form, with
// format characters left out; white space, punctuation, symbols and emoji only part them.
namespace Capture::OfferedSelection {

// The two are of one selection: the words of one stand in the other in the same order, and the
// other holds at most as many words again before and after them, however many between them. A
// word of the page's text that begins one of its lines may lack or have more characters at its
// start, one that ends a line at its end.
bool isSame(QStringView page, QStringView offered);

// What to read of a selection of which the page's text and the offered text are the same
// (isSame). The offered text, the browser's copy, with the page's line breaks where the offer
// runs two of its lines together, when every offered word stands in the page's text: the page's
// text may hold more only before the first offered word or after the last (what the page draws at
// the edges of the elements around the selection). The page's text from the first offered word to
// the last when it holds words between them that the offer leaves out (a field's value, a marker).
// When the offer holds words that the page's text lacks, the offered text only if `offerShows`
// says that the page shows all of it (the browser cut its selection short); otherwise the page's
// text, for the page may have hidden the rest.
QString textToRead(const QString& page, const QString& offered,
                   const std::function<bool()>& offerShows);

// The offered words stand on the page, whose whole text is `pageText`, in order and at most as
// many other words among them as they are themselves (what the page draws).
bool shows(QStringView pageText, QStringView offered);
// As shows(), somewhere other than within `selected`, the page's selected text, when the offer
// holds three words at least: a word or two stand anywhere, wherever the user selected them.
bool showsOutside(QStringView pageText, QStringView selected, QStringView offered);

} // namespace Capture::OfferedSelection
