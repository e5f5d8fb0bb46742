// Usage: parlino-speech-stand-in   (prints its base address; POST /stand-in/mode/<mode> switches)
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
    std::fprintf(stdout, "%s\n", qPrintable(standIn.baseURL().toString()));
    std::fflush(stdout);
    return QCoreApplication::exec();
}
