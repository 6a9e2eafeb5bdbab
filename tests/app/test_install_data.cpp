// The installation data laid beside the program: a first start reads the
// installation options file and gets its image set, whose pictures the
// picture reader can read.
#include "TDib.h"
#include "TImgUt.h"
#include "TSettings.h"
#include "environment_util.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(InstallData, FirstStartGetsTheImageSetAndItsPictures)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString program = tmp.path() + "/program";
    ASSERT_EQ(QProcess::execute(QStringLiteral(MAKE_INSTALL_DATA_EXE), {program}), 0);
    ASSERT_TRUE(QFileInfo::exists(program + "/boxOptn.pcg"));

    TSettings::Environment env = EnvironmentBelow(tmp.path());
    QDir().mkpath(env.picturesFolder);
    TSettings s(env);

    ASSERT_EQ(s.imageSetNames.size(), 1);
    EXPECT_EQ(s.imageSetNames[0], QStringLiteral("quibo Pictures"));
    EXPECT_EQ(s.imageSet, 1);
    EXPECT_EQ(s.colorSetNames.value(0), QStringLiteral("Primary Colors"));
    EXPECT_FALSE(s.useBoxImages) << "colours stay the default look";
    for (int f = 0; f < 6; ++f) {
        // Names were stored bare and found in the program's Images folder.
        EXPECT_TRUE(s.faceImageFile[f].startsWith(program + "/Images/")) << s.faceImageFile[f].toStdString();
        VlmImgUt::TDib *pic = nullptr;
        ASSERT_TRUE(s.imgUt->ReadImageFile(s.faceImageFile[f], &pic, 0, 0, false)) << f;
        EXPECT_EQ(pic->width, 1024);
        EXPECT_EQ(pic->height, 1024);
        pic->Free();
        delete pic;
    }
    // The first start wrote the merged options as the user's file.
    EXPECT_TRUE(QFileInfo::exists(env.commonDataFolder + "/quibo/boxOpts.pcg") ||
                QFileInfo::exists(env.userDataFolder + "/quibo/boxOpts.pcg"));
}
