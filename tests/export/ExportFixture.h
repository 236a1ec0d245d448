#pragma once

#include <QDir>
#include <QString>

#include "album/FilePatternList.h"
#include "shell/ResourceLibrary.h"
#include "support/SettingsFixture.h"
#include "support/TourExportSupport.h"

namespace orbpix::test {

// An export's surroundings: a program folder of the test's own with the built resource library
// loaded, a private temporary folder and the picture patterns.
class ExportFixture : public SettingsFixture {
protected:
    void SetUp() override {
        SettingsFixture::SetUp();
        m_env.set("TMPDIR", m_temp.path("tmp"));
        ASSERT_TRUE(QDir().mkpath(m_temp.path("tmp")));
        makeProgramFolder(programFolder());
        ASSERT_TRUE(resourceLibrary().load(programFolder()));
        addImagingPatterns(filePatternList());
    }
    void TearDown() override { resourceLibrary().unload(); }

    QString programFolder() const { return m_temp.path("program"); }
};

}  // namespace orbpix::test
