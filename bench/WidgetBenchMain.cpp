// The main of benchmarks that lay out and paint widgets: the GUI application object on the
// offscreen platform (unless another is asked for), then the benchmarks. Memory is handled as
// the application handles it.
#include "Base/Memory.h"

#include <QApplication>

#include <benchmark/benchmark.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    Base::Memory::returnLargeBlocksWhenFreed();
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
