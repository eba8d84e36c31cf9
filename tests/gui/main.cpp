#include "TestRegistry.h"

#include <QApplication>
#include <QTest>
#include <cstdio>

// Runs the class named first on the command line (with QtTest's own
// arguments after it), or every class.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    auto& classes = tb::test::TestClasses();
    if (argc > 1 && argv[1][0] != '-') {
        auto found = classes.find(argv[1]);
        if (found == classes.end()) {
            std::fprintf(stderr, "no test class %s\n", argv[1]);
            return 2;
        }
        argv[1] = argv[0];
        auto test = found->second();
        return QTest::qExec(test.get(), argc - 1, argv + 1);
    }
    int failed = 0;
    for (auto& [name, make] : classes) {
        auto test = make();
        failed += QTest::qExec(test.get(), argc, argv);
    }
    return failed;
}
