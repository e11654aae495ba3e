#include "Program.h"

#include "About.h"
#include "Main.h"
#include "Searchx.h"
#include "platform/Application.h"

#include <QApplication>
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

ProgramWindows::ProgramWindows() = default;

void ProgramWindows::Create()
{
    // The program's icon, for every window that has none of its own: all of them, the
    // message boxes included.
    QApplication::setWindowIcon(ProgramWindowIcon());
    main = std::make_unique<TZvLngFrm>();
    ZvLngFrm = main.get();
    search = std::make_unique<TSearchFrm>(main.get());
    SearchFrm = search.get();
    about = std::make_unique<TAboutBox>();
    AboutBox = about.get();
}

ProgramWindows::~ProgramWindows()
{
    AboutBox = nullptr;
    about.reset();
    SearchFrm = nullptr;
    search.reset();
    main.reset();   // its FormDestroy runs
}

int WinMain(int &argc, char **argv)
{
    TApplication application(argc, argv);
    SetProgramArguments(QCoreApplication::arguments());
    application.setQuitOnLastWindowClosed(false);

    // The windows go as the program ends.
    ProgramWindows windows;
    try {
        windows.Create();
        // Closing the main window ends the message loop, whatever else is open.
        QObject::connect(windows.main.get(), &TZvLngFrm::Closed, &application, &QCoreApplication::quit,
                         Qt::QueuedConnection);
        windows.main->show();
        if (qEnvironmentVariableIsSet("GLOSSMITH_QUIT_AFTER_SHOW"))
            QTimer::singleShot(0, &application, &QCoreApplication::quit);
        TApplication::exec();
    } catch (...) {
        ShowCurrentException();
    }
    return 0;
}
