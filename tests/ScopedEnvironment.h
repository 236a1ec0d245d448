#pragma once

#include <QByteArray>
#include <QString>
#include <utility>
#include <vector>

namespace orbpix::test {

// Sets environment variables for the lifetime of the object and puts the old values back,
// so that tests can point the XDG folders at temporary ones without leaking into others.
class ScopedEnvironment {
public:
    ScopedEnvironment() = default;
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
    ~ScopedEnvironment() {
        for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
            if (it->second.isNull())
                qunsetenv(it->first.constData());
            else
                qputenv(it->first.constData(), it->second);
        }
    }

    void set(const char* name, const QString& value) {
        remember(name);
        qputenv(name, value.toUtf8());
    }
    void unset(const char* name) {
        remember(name);
        qunsetenv(name);
    }

private:
    void remember(const char* name) {
        m_saved.emplace_back(QByteArray(name),
                             qEnvironmentVariableIsSet(name) ? qgetenv(name) : QByteArray());
    }
    std::vector<std::pair<QByteArray, QByteArray>> m_saved;
};

}  // namespace orbpix::test
