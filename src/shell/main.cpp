// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QTimer>
#include <cstdio>

#include "shell/core/CommandLine.h"
#include "shell/core/SettingsPlace.h"
#include "shell/core/TerminationSignals.h"
#include "shell/core/Version.h"
#include "shell/window/Form1.h"
#include "shell/window/RestoreQuestionBox.h"

int main(int argc, char** argv)
{
    // Read before Qt starts, so --help and --version need no display.
    const pemma::CommandLine line = pemma::parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (line.action) {
    case pemma::CommandLine::Action::Help:
        std::fputs(pemma::usageText().c_str(), stdout);
        return 0;
    case pemma::CommandLine::Action::Version:
        std::fputs(pemma::versionText().c_str(), stdout);
        return 0;
    case pemma::CommandLine::Action::Refuse:
        std::fprintf(stderr, "pemmarover: %s\n%s", line.error.c_str(), pemma::usageText().c_str());
        return 2;
    case pemma::CommandLine::Action::Run:
        break;
    }

    // Only the program's name goes on to Qt: every argument has been read.
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    QApplication::setApplicationName(pemma::programTitle());
    QApplication::setApplicationDisplayName(pemma::programTitle());
    // Desktops match the window to its menu entry, and so to its icon.
    QApplication::setDesktopFileName(QStringLiteral(PEMMA_APP_ID));

    // The interface is Japanese; so are the texts of Qt's own dialogs.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    pemma::Form1 form({pemma::programFolder(), std::nullopt});
    form.Form_Load();
    new pemma::TerminationSignals([&form] { form.close(); }, &form);

    // The end of the desktop session, the application quitting and a lost
    // display end the run the same way.
    form.endOfRun().watch(app);

    form.show();
    // The file's name is the bytes the system gave, UTF-8 or not.
    const std::optional<pemma::FileName> file =
        line.file.empty() ? std::nullopt
                          : std::optional(pemma::FileName::fromNative(QByteArray::fromStdString(line.file)));
    pemma::RestoreQuestionBox question(&form, form.endOfRun());
    QTimer::singleShot(0, &form, [&form, &question, file] {
        // The window also carries the icon of the applications menu itself.
        // Reading it at every size takes longer than showing the window, so
        // it comes once the window is there.
        QIcon icon;
        for (const QString& size : QDir(QStringLiteral(":/icons")).entryList())
            icon.addFile(QStringLiteral(":/icons/%1/pemmarover.png").arg(size));
        QApplication::setWindowIcon(icon);
        // The question about the last painting comes first, then the file
        // opens as a step of its own.
        form.startKeeping(pemma::keepFolder(), question);
        if (file && !form.endOfRun().done())
            form.openPictureFile(*file);
    });
    return app.exec();
}
