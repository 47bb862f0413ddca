#include <QApplication>

#include "app/qt/main_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const auto window = tc24::startMainWindow();
    return app.exec();
}
