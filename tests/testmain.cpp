// Test entry: a QApplication on the offscreen platform unless one is chosen.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    // Listing tests needs no GUI.
    for (int i = 1; i < argc; ++i)
        if (QByteArray(argv[i]).startsWith("--gtest_list_tests"))
            return RUN_ALL_TESTS();
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
