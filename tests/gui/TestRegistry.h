#pragma once

#include <QObject>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace tb::test {

// The QtTest classes of this program by name, so that main can run one (as
// CTest asks) or all.
using TestFactory = std::function<std::unique_ptr<QObject>()>;
inline std::map<std::string, TestFactory>& TestClasses() {
    static std::map<std::string, TestFactory> classes;
    return classes;
}
template <typename T> struct RegisterTest {
    explicit RegisterTest(const char* name) {
        TestClasses()[name] = [] { return std::make_unique<T>(); };
    }
};

} // namespace tb::test
