#pragma once

#include "Core/CaptureError.h"
#include "Core/TTSError.h"
#include "Parlino/Services/PlayerViewModel.h"
#include "Parlino/Services/WarningModel.h"

#include <QLocale>
#include <QString>

namespace Parlino {

// The fixed texts the reading panel shows for a failure or a warning, chosen by the case alone;
// the details an error carries (bundle identifiers, statuses, messages) are never shown.
namespace PanelMessages {

QString captureFailure(const Core::CaptureError& error);
// Only a refused permission offers the way to the desktop's accessibility settings.
bool offersAccessibilitySettings(const Core::CaptureError& error);

// What the stall row offers: read again, or go back from the chosen voice.
enum class StallAction { retry, revert };
struct StallRow {
    QString message;
    StallAction action;
};
// Failures that come from the chosen voice offer "Revert"; every other stall offers "Retry".
StallRow stallRow(const Core::TTSError& error);
// The row of a stalled phase: its error's, or, once the cause has gone, that Retry may work now.
StallRow stallRow(const PlayerViewModel::Phase& phase);
QString stallActionTitle(StallAction action);

// The warning button's symbol and spoken label; empty for no warning.
QString warningSymbol(const ActiveWarning& warning);
QString warningLabel(const ActiveWarning& warning, const QLocale& locale = QLocale());

} // namespace PanelMessages

} // namespace Parlino
