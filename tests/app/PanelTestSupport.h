#pragma once

#include "Application.h"
#include "FakeDevice.h"
#include "ModalDriver.h"

#include <QTest>

// The panel relies on the program's own application object, so these tests run under it.
#define BRIMO_APPLICATION_TEST_MAIN(TestClass)                                                     \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        Application app(argc, argv);                                                               \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
