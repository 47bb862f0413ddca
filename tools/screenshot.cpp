// Renders the main window after a "单次" query, and the trend view after some polling, to PNG
// files. Run offscreen against the simulator by scripts/screenshot.sh:
//   tc24-screenshot <program dir> <window.png> <trend.png> [polling seconds]
// The program directory must hold comm.set and the ports/ link to the simulator.

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>
#include <cstdio>
#include <functional>

#include "app/qt/main_window.h"
#include "app/qt/trend_view.h"
#include "link/control_names.h"

namespace {

// Boxes are printed instead of shown, so nothing waits for a click.
class PrintedDialogs : public tc24::Dialogs {
public:
    void showMessage(const tc24::MessageBox& box) override {
        std::fprintf(stderr, "message: %s\n", box.text.c_str());
        ++messages;
    }
    std::optional<std::string> askSaveFile(const tc24::FileDialogRequest&) override {
        return std::nullopt;
    }
    std::optional<std::string> askOpenFile(const tc24::FileDialogRequest&) override {
        return std::nullopt;
    }
    int messages = 0;
};

bool waitFor(const std::function<bool()>& done, int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > milliseconds) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

void pause(int milliseconds) {
    waitFor([] { return false; }, milliseconds);
}

bool save(QWidget* widget, const QString& file) {
    if (!widget->grab().save(file, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return false;
    }
    std::printf("%s\n", qPrintable(file));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 4) {
        std::fprintf(stderr,
                     "usage: tc24-screenshot <program dir> <window.png> <trend.png> "
                     "[polling seconds]\n");
        return 2;
    }
    const int pollingSeconds = args.size() > 4 ? args[4].toInt() : 30;

    PrintedDialogs dialogs;
    tc24::MainWindow window(QFile::encodeName(args[1]).toStdString(), nullptr, &dialogs);
    window.load();
    window.resize(1280, 800);
    window.show();

    auto allFilled = [&window] {
        for (int i = 0; i < 24; ++i) {
            const auto* box =
                window.findChild<QLineEdit*>(tc24::control::txtValue[static_cast<std::size_t>(i)]);
            if (box == nullptr || box->palette().color(QPalette::Text) != QColor(Qt::black)) {
                return false;
            }
        }
        return true;
    };
    window.findChild<QPushButton*>(tc24::control::comDoOnce)->click();
    if (!waitFor(allFilled, 5000) || dialogs.messages > 0) {
        std::fprintf(stderr, "the query got no reply: %s\n",
                     window.controls().text(tc24::control::txtState).c_str());
        return 1;
    }
    pause(200);
    if (!save(&window, args[2])) {
        return 1;
    }

    auto* trend = window.findChild<tc24::TrendView*>(QStringLiteral("trendView"));
    if (trend == nullptr) {
        std::fprintf(stderr, "no trend view\n");
        return 1;
    }
    window.controls().setText(tc24::control::txtTimerSet, "250");
    window.findChild<QPushButton*>(tc24::control::cmdOneM)->click();
    pause(pollingSeconds * 1000);
    window.findChild<QPushButton*>(tc24::control::cmdStopOnce)->click();
    pause(300);
    trend->setTimeWindow(tc24::measure::TrendWindow::All);
    trend->resize(1100, 620);
    trend->show();
    trend->refresh();
    pause(200);
    return save(trend, args[3]) ? 0 : 1;
}
