// Usage: parlino-speech-stand-in [mode]   (prints its base address; POST /stand-in/mode/<mode>
// switches)
//
// The stand-in service with real speech as a program of its own, for PARLINO_SERVICE_URL; the
// modes are listed in SpeechStandIn.h.
#include "support/SpeechStandIn.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    TestSupport::SpeechStandIn standIn;
    if (standIn.baseURL().port() <= 0) {
        std::fputs("parlino-speech-stand-in: cannot listen on 127.0.0.1\n", stderr);
        return 1;
    }
    // The address comes first: whoever started the stand-in reads it from the first line.
    std::fprintf(stdout, "%s\n", qPrintable(standIn.baseURL().toString()));
    std::fflush(stdout);
    if (argc > 1 && !standIn.setMode(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "parlino-speech-stand-in: no mode \"%s\"\n", argv[1]);
        return 2;
    }
    return QCoreApplication::exec();
}
