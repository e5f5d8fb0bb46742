#pragma once

#include "Base/Json.h"

#include <QByteArray>
#include <QRectF>
#include <QString>

#include <optional>

namespace Core {

// One piece of the read text, synthesised by one request.
struct Chunk {
    QString text;
    qsizetype utf16Offset = 0; // of the piece's first code unit in the whole text
    friend bool operator==(const Chunk&, const Chunk&) = default;
};

// A voice of the text-to-speech service; JSON form {"rawValue": "…"}.
struct VoiceID {
    QString rawValue;
    friend bool operator==(const VoiceID&, const VoiceID&) = default;

    Base::Json::Value toJson() const;
    static Base::Json::Read<VoiceID> fromJson(const Base::Json::Value& json);
};

inline size_t qHash(const VoiceID& voice, size_t seed = 0) {
    return qHash(voice.rawValue, seed);
}

// The provider of synthesis; JSON form: the bare raw value.
enum class ProviderID { elevenLabs };

QString rawValue(ProviderID provider);
// Exactly "elevenLabs", case-sensitive.
std::optional<ProviderID> providerIDFromRawValue(const QString& raw);

// The model and output format of a synthesis request.
struct SynthesisSettings {
    QString modelID;
    QString outputFormat;
    friend bool operator==(const SynthesisSettings&, const SynthesisSettings&) = default;

    Base::Json::Value toJson() const;
    static Base::Json::Read<SynthesisSettings> fromJson(const Base::Json::Value& json);
};

enum class TimingFidelity { word, sentence, none };

struct ProviderCapabilities {
    TimingFidelity timingFidelity = TimingFidelity::word;
    // The longest chunk text the provider takes, in UTF-16 code units: no chunk of a read is
    // longer, a sentence longer by itself being cut.
    qsizetype maxChunkChars = 0;
    friend bool operator==(const ProviderCapabilities&, const ProviderCapabilities&) = default;
};

// An application as the capture sees it.
struct FrontmostApp {
    QString name;
    QString bundleID;
    qint32 pid = 0;
    friend bool operator==(const FrontmostApp&, const FrontmostApp&) = default;
};

// How a capture's text was read: from the focused element's accessible text, from the selection
// that the application offers without a keystroke (PRIMARY), or by a synthetic copy.
enum class CapturePath { accessibility, offeredSelection, copy };

// A successful capture. Bounds compare exactly; absent bounds never equal present ones.
struct SelectionCapture {
    QString text;
    FrontmostApp sourceApp;
    std::optional<QRectF> selectionBounds;
    CapturePath path = CapturePath::accessibility;

    friend bool operator==(const SelectionCapture& a, const SelectionCapture& b);
};

// Exact rectangle equality (QRectF's own operator== is fuzzy).
bool exactlyEqual(const QRectF& a, const QRectF& b);

} // namespace Core
