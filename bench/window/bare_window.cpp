// SPDX-License-Identifier: GPL-3.0-or-later
// The yardstick for the painter's start-up: the least a Qt Widgets program
// with a window like ours does. A main window covering the screen the way the
// painter's does (its geometry set to the primary screen's), with a menu bar
// of two Japanese menus, and nothing else.
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("bare"));
    QMenu* file = window.menuBar()->addMenu(QStringLiteral("ファイル"));
    for (const char* item : {"開く", "保存", "終了"})
        file->addAction(QString::fromUtf8(item));
    QMenu* picture = window.menuBar()->addMenu(QStringLiteral("画像処理"));
    for (const char* item : {"反転", "ぼかし", "モザイク", "回転"})
        picture->addAction(QString::fromUtf8(item));
    if (QScreen* screen = QGuiApplication::primaryScreen())
        window.setGeometry(screen->geometry());
    window.show();
    return app.exec();
}
