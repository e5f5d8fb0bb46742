#pragma once

#include "Parlino/Clips/ClipsViewEnvironment.h"
#include "Parlino/Clips/ClipsViewModel.h"

#include <QWidget>

#include <functional>
#include <memory>

namespace Parlino {

class ClipsView;

// The standalone "Audio Clips" window: made at the first `show` and kept when the user closes
// it, so every later `show` brings the same window back; `place` puts it on the screen before it
// shows (without it the window is centred once). Its model lives as long as the controller and is
// separate from the panel's.
class ClipsWindowController final {
public:
    ClipsWindowController(ClipLibrary& clipLibrary, AudioOutput* audioOutput,
                          std::unique_ptr<Playback::ChunkPlayerFactory> players,
                          const ClipsViewEnvironment& environment);
    ~ClipsWindowController();
    ClipsWindowController(const ClipsWindowController&) = delete;
    ClipsWindowController& operator=(const ClipsWindowController&) = delete;

    ClipsViewModel& viewModel() { return m_viewModel; }

    // Once the library has listed its clips: resets the list, collapsing any expanded clip (a
    // preview keeps playing), and brings the window to the front.
    void show();

    // Places the hidden window before it shows; it may make it smaller than its own size.
    std::function<void(QWidget& window)> place;

    // None before the first `show`.
    QWidget* window() const { return m_window.get(); }
    ClipsView* view() const { return m_view; }

private:
    void present();
    void makeWindow();

    ClipsViewEnvironment m_environment;
    ClipsViewModel m_viewModel;
    std::unique_ptr<QWidget> m_window;
    ClipsView* m_view = nullptr;
};

} // namespace Parlino
