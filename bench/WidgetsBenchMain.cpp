// The entry point of the benchmarks that build widgets: an application, offscreen unless
// a display is asked for, with the program's fonts and style.
#include <benchmark/benchmark.h>

#include <QApplication>

#include "ui/Application.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ui::prepareApplication(app);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
