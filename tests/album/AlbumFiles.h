#pragma once

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "support/QtFiles.h"

namespace orbpix::test {

inline void makeReadOnly(const QString& path) {
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                                QFileDevice::ReadGroup | QFileDevice::ReadOther));
}

}  // namespace orbpix::test
