#include "Parlino/Settings/VoiceSections.h"

#include "Base/Unicode.h"

#include <QCollator>
#include <QLocale>
#include <QSet>

#include <algorithm>
#include <array>

namespace Parlino {

namespace {

const QString builtInCategory = QStringLiteral("premade");
const std::array<QString, 5> curatedIDs = {
    QStringLiteral("EXAVITQu4vr4xnSDxMaL"), QStringLiteral("JBFqnCBsd6RMkjVDRZzb"),
    QStringLiteral("Xb7hH8MSUJpSbSDYk0k2"), QStringLiteral("IKne3meq5aSn9XLyUdCD"),
    QStringLiteral("SAz9YHcvj6GT2YYXdXww")};
const QString fallbackID = QStringLiteral("pqHfZKP75CvOlQylNhV4");
const std::array<QString, 3> nameSeparators = {QStringLiteral(" - "), QStringLiteral(" – "),
                                               QStringLiteral(" — ")};
constexpr qsizetype recentTilesShown = 2;

// Name order and search, both case-insensitive in the user's locale.
class NameRules {
public:
    explicit NameRules(const QString& search)
        : m_collator(QLocale()), m_query(Base::Unicode::trimmingHorizontalSpace(search)) {
        m_collator.setCaseSensitivity(Qt::CaseInsensitive);
    }

    bool matches(const TTS::Voice& voice) const {
        return m_query.isEmpty() || voice.name.contains(m_query, Qt::CaseInsensitive);
    }

    QList<TTS::Voice> sortedMatches(QList<TTS::Voice> voices) const {
        std::stable_sort(voices.begin(), voices.end(), [this](const auto& a, const auto& b) {
            return m_collator.compare(a.name, b.name) < 0;
        });
        voices.removeIf([this](const TTS::Voice& voice) { return !matches(voice); });
        return voices;
    }

private:
    QCollator m_collator;
    QString m_query;
};

bool isBuiltIn(const TTS::Voice& voice) {
    return voice.category == builtInCategory;
}

const TTS::Voice* findVoice(const QList<TTS::Voice>& voices, const QString& id) {
    const auto it = std::ranges::find(voices, id, &TTS::Voice::id);
    return it == voices.end() ? nullptr : &*it;
}

} // namespace

QString VoiceSection::rawValue(Kind kind) {
    switch (kind) {
    case Kind::yours:
        return QStringLiteral("Your Voices");
    case Kind::builtIn:
        return QStringLiteral("Built-in");
    }
    Q_UNREACHABLE();
}

VoiceNameParts splitVoiceName(const QString& name) {
    const QString trimmed = Base::Unicode::trimmingHorizontalSpace(name);
    qsizetype at = -1;
    qsizetype separatorLength = 0;
    for (const QString& separator : nameSeparators) {
        const qsizetype found = trimmed.indexOf(separator);
        if (found >= 0 && (at < 0 || found < at)) {
            at = found;
            separatorLength = separator.size();
        }
    }
    if (at < 0)
        return {trimmed, std::nullopt};
    const QStringView text(trimmed);
    QString head = Base::Unicode::trimmingHorizontalSpace(text.first(at));
    QString tail = Base::Unicode::trimmingHorizontalSpace(text.sliced(at + separatorLength));
    if (head.isEmpty() || tail.isEmpty())
        return {trimmed, std::nullopt};
    return {std::move(head), std::move(tail)};
}

namespace VoiceSections {

QList<VoiceSection> sections(const QList<TTS::Voice>& voices, const QString& search) {
    QList<TTS::Voice> builtIn;
    QList<TTS::Voice> yours;
    for (const TTS::Voice& voice : voices)
        (isBuiltIn(voice) ? builtIn : yours).append(voice);
    const NameRules rules(search);
    QList<VoiceSection> result;
    for (auto [kind, list] : {std::pair{VoiceSection::Kind::builtIn, &builtIn},
                              std::pair{VoiceSection::Kind::yours, &yours}}) {
        QList<TTS::Voice> shown = rules.sortedMatches(std::move(*list));
        if (!shown.isEmpty())
            result.append({kind, std::move(shown)});
    }
    return result;
}

QList<TopRowTile> topRow(const QList<TTS::Voice>& voices, const QString& currentID,
                         const QStringList& recentIDs, const QString& search) {
    const NameRules rules(search);
    const TTS::Voice* listed = findVoice(voices, currentID);
    const TTS::Voice current =
        listed ? *listed : TTS::Voice{currentID, QStringLiteral("Unknown voice"), {}, {}, {}};

    QList<TopRowTile> tiles;
    if (rules.matches(current))
        tiles.append({current, QStringLiteral("Current")});

    QSet<QString> taken{currentID};
    qsizetype recentCount = 0;
    for (const QString& id : recentIDs) {
        if (recentCount == recentTilesShown)
            break;
        if (taken.contains(id))
            continue;
        taken.insert(id);
        const TTS::Voice* voice = findVoice(voices, id);
        if (!voice)
            continue;
        std::optional<QString> caption;
        if (recentCount++ == 0)
            caption = QStringLiteral("Last used");
        if (rules.matches(*voice))
            tiles.append({*voice, caption});
    }
    return tiles;
}

QList<CuratedVoice> build(const QList<TTS::Voice>& voices, qsizetype limit) {
    QList<TTS::Voice> builtIn;
    QList<TTS::Voice> yours;
    for (const VoiceSection& section : sections(voices, {}))
        (section.kind == VoiceSection::Kind::builtIn ? builtIn : yours) = section.voices;

    QList<TTS::Voice> chosen;
    QSet<QString> taken;
    const auto offer = [&](const TTS::Voice* voice, qsizetype room) {
        if (!voice || chosen.size() >= room || taken.contains(voice->id))
            return;
        taken.insert(voice->id);
        chosen.append(*voice);
    };

    for (const QString& id : curatedIDs)
        offer(findVoice(builtIn, id), limit);
    for (const TTS::Voice& voice : builtIn)
        offer(&voice, limit - 1);
    const auto usable = std::ranges::find_if(
        yours, [](const TTS::Voice& voice) { return !voice.requiresCaptcha(); });
    offer(usable != yours.end() ? &*usable : findVoice(builtIn, fallbackID), limit);
    for (const TTS::Voice& voice : builtIn)
        offer(&voice, limit);

    QList<CuratedVoice> featured;
    for (const TTS::Voice& voice : chosen) {
        VoiceNameParts parts = splitVoiceName(voice.name);
        featured.append({voice.id, std::move(parts.displayName), std::move(parts.descriptor),
                         std::nullopt, featured.size()});
    }
    return featured;
}

} // namespace VoiceSections

} // namespace Parlino
