#pragma once

#include "Capture/WebPage.h"

// Whether the user has deselected everything on a web page: a browser keeps offering a selection
// that the user has taken away, so only the page can tell that there is none.
namespace Capture::PageSelection {

// The focused accessible is part of a web page, and neither it, nor its document, nor any document
// that one lies in holds a selection (a frame's page lies in the page around the frame, which
// still shows its selection, greyed, while the frame has the focus), nor does a document that had
// the focus lately and is on show in the focused window now (a frame beside which the user
// clicked). A document that the user does not see, such as the page of another tab, does not
// count. False when any of that is not known.
bool holdsNone(WebPage& page);

// The focused accessible is the document of a page that the user does not see: it says that it
// is not showing, or it is out of the tree. A browser still says so of the page of the tab that
// the user left, for a moment after the switch, until the page on show takes the focus. False
// when that is not known.
bool isOutOfSight(WebPage& page);

} // namespace Capture::PageSelection
