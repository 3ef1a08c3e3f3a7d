#pragma once

#include <QCoreApplication>

// Tests that run event loops need an application object; one is made on first use.
inline QCoreApplication& testApp() {
    static int argc = 1;
    static char nome[] = "kinetra-test";
    static char* argv[] = {nome, nullptr};
    static QCoreApplication* app = QCoreApplication::instance() ? QCoreApplication::instance()
                                                                : new QCoreApplication(argc, argv);
    return *app;
}
