// The program: the start-up steps, then the main window until it closes.
#include "TboxScr.h"

#include <QApplication>
#include <QStringList>

#include <cfenv>

int main(int argc, char *argv[])
{
    // The end switch is looked for among the arguments after the program's
    // own path, as they were given (Qt takes its own options out later).
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const bool endSwitch = TboxScr::EndSwitch(arguments.join(QLatin1Char(' ')));
    if (endSwitch)
        return 0;

    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    // Standard font and skin colours; UTF-8 is Qt's own charset.
    TboxScr::StartupSkin();

    // Every floating-point exception masked.
    fedisableexcept(FE_ALL_EXCEPT);

    int rc = 0;
    {
        TboxScr window;
        QObject::connect(&window, &TboxScr::closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
        window.show();
        rc = app.exec();
    }
    return rc;
}
