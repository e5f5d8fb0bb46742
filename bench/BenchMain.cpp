// The main of every benchmark program: the Qt application object, then the benchmarks. Memory is
// handled as the application handles it.
#include "Base/Memory.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

int main(int argc, char** argv) {
    Base::Memory::returnLargeBlocksWhenFreed();
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
