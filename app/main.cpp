#include <QApplication>
#include <cstdio>

#include "app/qt/language.h"
#include "app/qt/main_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The one option of the window: `--lang en|zh` for this run, without saving it.
    const tc24::LanguageOption language = tc24::languageOption(QApplication::arguments());
    if (!language.error.isEmpty()) {
        std::fprintf(stderr, "tc24: %s\n", qPrintable(language.error));
        return 2;
    }
    const auto window = tc24::startMainWindow(language.language);
    return app.exec();
}
