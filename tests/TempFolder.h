#pragma once

#include <gtest/gtest.h>
#include <QDir>
#include <QTemporaryDir>

namespace orbpix::test {

// A temporary folder removed with the test.
class TempFolder {
public:
    TempFolder() { EXPECT_TRUE(m_dir.isValid()); }
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QString root() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
};

}  // namespace orbpix::test
