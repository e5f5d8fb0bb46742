#include "Parlino/Services/SynthesisModelChoice.h"

namespace Parlino::SynthesisModelChoices {

SynthesisModelChoice fromStoredValue(const QString& raw) {
    return fromRawValue(raw).value_or(SynthesisModelChoice::flash);
}

QString modelID(SynthesisModelChoice choice) {
    switch (choice) {
    case SynthesisModelChoice::flash:
        return QStringLiteral("eleven_flash_v2_5");
    case SynthesisModelChoice::multilingual:
        return QStringLiteral("eleven_multilingual_v2");
    }
    return {};
}

std::optional<SynthesisModelChoice> fromModelID(const QString& id) {
    for (const auto choice : allCases())
        if (modelID(choice) == id)
            return choice;
    return std::nullopt;
}

QString transcriptName(SynthesisModelChoice choice) {
    switch (choice) {
    case SynthesisModelChoice::flash:
        return QStringLiteral("Flash");
    case SynthesisModelChoice::multilingual:
        return QStringLiteral("Multilingual v2");
    }
    return {};
}

QList<TranscriptModel> transcriptModels() {
    QList<TranscriptModel> models;
    for (const auto choice : allCases())
        models.append({modelID(choice), transcriptName(choice),
                       choice == SynthesisModelChoice::flash ? 2 : 1});
    return models;
}

} // namespace Parlino::SynthesisModelChoices
