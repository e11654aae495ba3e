#include "Program.h"

#include "About.h"
#include "Main.h"
#include "Searchx.h"
#include "platform/Application.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <memory>

namespace {
QStringList &ProgramArguments()
{
    static QStringList arguments;
    return arguments;
}
} // namespace

int ParamCount()
{
    return int(std::max<qsizetype>(ProgramArguments().size() - 1, 0));
}

QString ParamStr(int index)
{
    if (index == 0 && ProgramArguments().isEmpty())
        return QCoreApplication::applicationFilePath();
    return index >= 0 && index < ProgramArguments().size() ? ProgramArguments().at(index) : QString();
}

void SetProgramArguments(const QStringList &arguments)
{
    ProgramArguments() = arguments;
}

int WinMain(int &argc, char **argv)
{
    TApplication application(argc, argv);
    SetProgramArguments(QCoreApplication::arguments());
    application.setQuitOnLastWindowClosed(false);

    std::unique_ptr<TZvLngFrm> mainWindow;
    std::unique_ptr<TSearchFrm> searchWindow;
    std::unique_ptr<TAboutBox> aboutBox;
    try {
        mainWindow = std::make_unique<TZvLngFrm>();
        ZvLngFrm = mainWindow.get();
        searchWindow = std::make_unique<TSearchFrm>();
        SearchFrm = searchWindow.get();
        aboutBox = std::make_unique<TAboutBox>();
        AboutBox = aboutBox.get();

        // Closing the main window ends the message loop, whatever else is open.
        QObject::connect(mainWindow.get(), &TZvLngFrm::Closed, &application, &QCoreApplication::quit,
                         Qt::QueuedConnection);
        mainWindow->show();
        if (qEnvironmentVariableIsSet("GLOSSMITH_QUIT_AFTER_SHOW"))
            QTimer::singleShot(0, &application, &QCoreApplication::quit);
        TApplication::exec();
    } catch (...) {
        ShowCurrentException();
    }

    // The windows go as the program ends, the main window last (its FormDestroy runs).
    AboutBox = nullptr;
    aboutBox.reset();
    SearchFrm = nullptr;
    searchWindow.reset();
    mainWindow.reset();
    return 0;
}
