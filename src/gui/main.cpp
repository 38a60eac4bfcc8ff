#include "cli/command_line.h"
#include "gui/main_window.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv)
{
    // The unattended export and import need no display: they run before any window exists.
    const int status = vesko::RunCommandLine(argc, argv);
    if (status >= 0)
        return status;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vesko-backup"));
    QApplication::setApplicationVersion(QStringLiteral(VESKO_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("vesko-backup"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/vesko-backup.svg")));

    vesko::MainWindow form;
    form.show();
    return QApplication::exec();
}
