#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QTranslator>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

#include "shell/core/SettingsPlace.h"
#include "shell/window/Form1.h"

namespace {

int signalPipe[2] = {-1, -1};

void onTerminationSignal(int sig)
{
    const char c = static_cast<char>(sig);
    [[maybe_unused]] const auto n = ::write(signalPipe[1], &c, 1);
}

// SIGTERM, SIGHUP and SIGINT (logout, shutdown, Ctrl+C) close the window like
// its close button: the settings are written and the program ends.
void closeOnTerminationSignals(pemma::Form1& form)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &form);
    QObject::connect(notifier, &QSocketNotifier::activated, &form, [&form, notifier] {
        notifier->setEnabled(false);
        char c;
        [[maybe_unused]] const auto n = ::read(signalPipe[0], &c, 1);
        form.close();
    });
    struct sigaction sa {};
    sa.sa_handler = onTerminationSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGHUP, SIGINT})
        ::sigaction(sig, &sa, nullptr);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pemmarover1.1"));
    QApplication::setApplicationDisplayName(QStringLiteral("Pemmarover1.1"));
    // The window shows the icon of the applications menu, and desktops match
    // it to its menu entry.
    QApplication::setDesktopFileName(QStringLiteral(PEMMA_APP_ID));
    QIcon icon;
    for (const QString& size : QDir(QStringLiteral(":/icons")).entryList())
        icon.addFile(QStringLiteral(":/icons/%1/pemmarover.png").arg(size));
    QApplication::setWindowIcon(icon);

    // The interface is Japanese; so are the texts of Qt's own dialogs.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    pemma::Form1 form({pemma::programFolder(), std::nullopt});
    form.Form_Load();
    closeOnTerminationSignals(form);

    // The end of the desktop session closes the window the same way.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &form,
                     [&form](QSessionManager&) { form.Form_QueryUnload(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &form, [&form] { form.Form_QueryUnload(); });

    form.show();
    return app.exec();
}
