#pragma once

#include "shell/ResourceLibrary.h"
#include "skins/SkinAccess.h"
#include "skins/SkinManager.h"
#include "support/SettingsFixture.h"

namespace orbpix::test {

// Private settings, with the program folder's texts loaded and its Default skin current for
// every window, as the album program finds them at start.
class ProgramFixture : public SettingsFixture {
protected:
    void SetUp() override {
        SettingsFixture::SetUp();
        ASSERT_TRUE(resourceLibrary().load(QStringLiteral(ORBPIX_PROGRAM_DIR)));
        ASSERT_TRUE(
            m_skins.initialise(QStringLiteral(ORBPIX_PROGRAM_DIR "/Skins"), "Default", "Default"));
        setProgramSkins(&m_skins);
    }
    void TearDown() override {
        setProgramSkins(nullptr);
        resourceLibrary().unload();
    }

    SkinManager m_skins;
};

}  // namespace orbpix::test
