// One QApplication for the whole test program, created on first use.
#pragma once

#include <QApplication>

namespace tornel::test {

inline QApplication& QtApp() {
    static int argc = 1;
    static char name[] = "rtf_document_tests";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

}  // namespace tornel::test
