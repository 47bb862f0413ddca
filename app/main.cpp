#include <QApplication>
#include <QFile>

#include "app/qt/main_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tc24"));
    // Message boxes without a title of their own show this one.
    QApplication::setApplicationDisplayName(QString::fromUtf8(tc24::kApplicationTitle));
    if (const auto font = tc24::MainWindow::preferredFont()) {
        QApplication::setFont(*font);
    }

    tc24::MainWindow window(
        QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString());
    window.load();
    window.resize(1280, 800);
    window.show();
    return app.exec();
}
