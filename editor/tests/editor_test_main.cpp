// The editor tests run inside one application object, over the engine's
// process-wide registry, with no display.

#include <gtest/gtest.h>

#include <clocale>

#include <QApplication>

#include "startup/engine_startup.h"

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const EngineStartup engine;
    QApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    return RUN_ALL_TESTS();
}
