#pragma once

#include "Defaults/Updates.h"
#include "Parlino/Clips/LibraryClipPlayer.h"
#include "Parlino/Services/AudioArbiter.h"
#include "Parlino/Services/SettingsKeys.h"
#include "Parlino/Storage/ClipLibrary.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace Parlino {

class AudioOutput;

// The state behind one clips list: the saved clips, the clip whose preview plays in this list,
// the clip expanded to its full text, and the preview player. The preview follows the shared
// playback speed and, when an output is given, its mute state. Each setter notifies only on a
// change. Main thread only.
class ClipsViewModel : public QObject {
    Q_OBJECT

public:
    ClipsViewModel(ClipLibrary& clipLibrary, AudioOutput* audioOutput,
                   std::unique_ptr<Playback::ChunkPlayerFactory> players, const SettingsKeys& keys,
                   QObject* parent = nullptr);

    // Newest first.
    const QList<ClipSummary>& clips() const { return m_clips; }
    void setClips(QList<ClipSummary> clips);
    // The clip whose preview plays or is paused in this list.
    const std::optional<ClipID>& playingClipID() const { return m_playingClipID; }
    void setPlayingClipID(std::optional<ClipID> id);
    bool previewPaused() const { return m_previewPaused; }
    void setPreviewPaused(bool paused);
    // The one clip shown with its full text; its text is in the cache.
    const std::optional<ClipID>& expandedClipID() const { return m_expandedClipID; }
    void setExpandedClipID(std::optional<ClipID> id);
    const QHash<ClipID, QString>& fullTextCache() const { return m_fullTextCache; }
    void setFullTextCache(QHash<ClipID, QString> cache);
    // The clips whose audio did not decode when last played (their files are kept).
    const QSet<ClipID>& unplayableClipIDs() const { return m_unplayableClipIDs; }

    LibraryClipPlayer& player() { return m_player; }

    // True while `reload` applies its changes: the list animates them (motion permitting).
    bool animatesChanges() const { return m_animatesChanges; }

    // Collapse the expanded clip, empty the text cache and show the library's clips, which
    // already hold every change made by this run. `reloadImmediately`, the reset before the list
    // shows, then has the library look for changes made by others off the main thread, and
    // shows them when it finds any.
    void reload();
    void reloadImmediately();
    // Calls `ready` once the library has listed its clips (at once when it has).
    void whenListed(std::function<void()> ready);

    // Stops the clip when it is the one playing; otherwise plays it from the start at the
    // default speed, replacing any other. A clip that cannot be loaded leaves the list; one
    // whose audio does not decode is marked unplayable.
    void toggle(const ClipID& id);
    void stop();
    void pausePreview();
    void resumePreview();

    // `wantsExpand` when the clip's preview does not fit: shows its full text. A clip that
    // fits, or is already expanded, opens in the reading view instead.
    void setExpanded(const ClipSummary& clip, bool wantsExpand);

    // Moves the shared playback speed to the next step.
    void cycleSpeed();

    void clearAll();
    void deleteClip(const ClipSummary& clip);

    std::function<void(const ClipID&)> onOpenInPlayer;
    std::function<void(PreviewPlaybackState)> onPreviewStateChange;

signals:
    void clipsChanged();
    void playingClipIDChanged();
    void previewPausedChanged();
    void expandedClipIDChanged();
    void fullTextCacheChanged();
    void unplayableClipIDsChanged();

private:
    void showLibraryClips();
    void playerDidFinish();
    void markPlayable(const ClipID& id, bool playable);
    void report(PreviewPlaybackState state);

    ClipLibrary& m_clipLibrary;
    const SettingsKeys& m_keys;
    LibraryClipPlayer m_player;
    QList<ClipSummary> m_clips;
    std::optional<ClipID> m_playingClipID;
    bool m_previewPaused = false;
    std::optional<ClipID> m_expandedClipID;
    QHash<ClipID, QString> m_fullTextCache;
    QSet<ClipID> m_unplayableClipIDs;
    bool m_animatesChanges = false;
    Defaults::UpdateStream<double> m_playbackRateUpdates;
};

} // namespace Parlino
