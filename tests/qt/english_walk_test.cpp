// The window in English, walked after a working session against tc24-sim: every view open, a
// query, the address, a sensor search, a serial number, read-all and its save, an import and
// the automatic writing, a bus scan, the commissioning record, and each kind of box on the way
// (a notice, a warning, an OK/Cancel box, a question, an open and a save dialog; every title
// the handlers give, and the first box of each feature). No visible
// text, tooltip or title may still hold Chinese. Exempt: "语言 / Language" and "中文", which
// read the same in both languages, and the hex panes.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAction>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLegendMarker>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QValueAxis>
#include <algorithm>
#include <fstream>
#include <set>

#include "app/qt/language.h"
#include "app/qt/main_window.h"
#include "app/qt/qt_dialogs.h"
#include "app/qt/record_view.h"
#include "core/fakes.h"
#include "link/control_names.h"
#include "qt/chinese_text.h"
#include "qt/sim_process.h"

namespace tc24 {
namespace {

using testing::FakeDialogs;
using testing::FakeQuestions;
using testing::hasChinese;
using testing::SimProcess;
using testing::TempDir;

constexpr int kFastTicks = 100;  // ms: a read or write with its reply takes about 20 ms

// Collects every text that still holds Chinese, with where it was seen.
class Walk {
public:
    void check(const QString& where, const QString& text) {
        if (hasChinese(text) && seen_.insert(where + u'|' + text).second) {
            found_ += "\n  " + where.toStdString() + ": " + text.toStdString();
        }
    }
    void check(const QString& where, const std::string& text) {
        check(where, QString::fromStdString(text));
    }

    void model(const QString& where, const QAbstractItemModel* model) {
        if (model == nullptr) {
            return;
        }
        for (int column = 0; column < model->columnCount(); ++column) {
            check(where + "|header", model->headerData(column, Qt::Horizontal).toString());
        }
        for (int row = 0; row < model->rowCount(); ++row) {
            check(where + "|row header", model->headerData(row, Qt::Vertical).toString());
            for (int column = 0; column < model->columnCount(); ++column) {
                const QModelIndex index = model->index(row, column);
                check(where + "|cell", model->data(index).toString());
                check(where + "|cell tooltip", model->data(index, Qt::ToolTipRole).toString());
            }
        }
    }

    // Every widget of `top` and its windows that is shown, with what it says.
    void widgets(QWidget& top) {
        QList<QWidget*> all = top.findChildren<QWidget*>();
        all.prepend(&top);
        for (QWidget* w : all) {
            if (!w->isVisible()) {
                continue;
            }
            if (auto* tool = qobject_cast<QToolButton*>(w);
                tool != nullptr && tool->defaultAction() != nullptr &&
                kSameInBothLanguages.count(tool->defaultAction()->objectName()) != 0) {
                continue;
            }
            const QString name = w->objectName().isEmpty()
                                     ? QString::fromUtf8(w->metaObject()->className())
                                     : w->objectName();
            if (w->isWindow()) {
                check(name + "|window title", w->windowTitle());
            }
            check(name + "|tooltip", w->toolTip());
            check(name + "|status tip", w->statusTip());
            check(name + "|accessible name", w->accessibleName());
            if (auto* label = qobject_cast<QLabel*>(w)) {
                check(name + "|text", label->text());
            } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
                check(name + "|text", button->text());
            } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
                check(name + "|title", group->title());
            } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
                check(name + "|text", edit->text());
                check(name + "|placeholder", edit->placeholderText());
            } else if (auto* pane = qobject_cast<QPlainTextEdit*>(w)) {
                if (kHexPanes.count(pane->objectName()) == 0) {
                    check(name + "|text", pane->toPlainText());
                }
            } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
                for (int i = 0; i < combo->count(); ++i) {
                    check(name + "|item", combo->itemText(i));
                }
            } else if (auto* spin = qobject_cast<QSpinBox*>(w)) {
                check(name + "|suffix", spin->suffix() + spin->prefix() + spin->specialValueText());
            } else if (auto* progress = qobject_cast<QProgressBar*>(w)) {
                check(name + "|text", progress->text());
            } else if (auto* view = qobject_cast<QAbstractItemView*>(w);
                       view != nullptr && qobject_cast<QHeaderView*>(w) == nullptr) {
                model(name, view->model());
            } else if (auto* chartView = qobject_cast<QChartView*>(w)) {
                QChart* chart = chartView->chart();
                check(name + "|chart title", chart->title());
                for (QAbstractAxis* axis : chart->axes()) {
                    check(name + "|axis", axis->titleText());
                }
                for (QLegendMarker* marker : chart->legend()->markers()) {
                    check(name + "|legend", marker->label());
                }
            } else if (auto* menu = qobject_cast<QMenu*>(w)) {
                check(name + "|menu", menu->title());
            }
        }
        for (QAction* action : top.findChildren<QAction*>()) {
            if (kSameInBothLanguages.count(action->objectName()) != 0) {
                continue;
            }
            check(action->objectName() + "|action", action->text());
            check(action->objectName() + "|action tooltip", action->toolTip());
        }
    }

    const std::string& found() const { return found_; }

private:
    // The panes that show the frames as hex.
    inline static const std::set<QString> kHexPanes{control::txtCommand, control::txtState};
    // The language switch names itself in both languages.
    inline static const std::set<QString> kSameInBothLanguages{"actLanguage", "actChinese"};

    std::set<QString> seen_;  // each text once per place, for a readable failure
    std::string found_;
};

class EnglishWalk : public ::testing::Test {
protected:
    void SetUp() override {
        const auto table = dir.path() / "sensors.txt";
        {
            std::ofstream out(table);
            for (int position = 1; position <= 24; ++position) {
                char serial[32];
                std::snprintf(serial, sizeof serial, "28 10 20 30 40 50 %02X 01", position);
                out << position << " " << serial << " 21.50\n";
            }
        }
        sim = std::make_unique<SimProcess>(
            dir.path(), 3,
            QStringList{"--baud", "19200", "--sensors", QString::fromStdString(table.string())});
        ASSERT_TRUE(sim->ok()) << sim->error();
        std::ofstream(dir.path() / "comm.set", std::ios::binary) << "3,19200\r\n";
        window = std::make_unique<MainWindow>(dir.path(), nullptr, &dialogs);
        window->load();
        window->resize(MainWindow::kStartSize);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->findChild<QAction*>("actEnglish")->trigger();
        QCoreApplication::processEvents();
        ASSERT_EQ(installedLanguage(), WindowLanguage::English);
    }
    void TearDown() override {
        window.reset();
        installLanguage(WindowLanguage::Chinese);
    }

    void click(const char* name) { window->findChild<QPushButton*>(name)->click(); }
    void setText(const char* name, const std::string& text) {
        window->controls().setText(name, text);
    }
    std::string text(const char* name) { return window->controls().text(name); }
    void trigger(const char* action) {
        QAction* found = window->findChild<QAction*>(action);
        ASSERT_NE(found, nullptr) << action;
        found->trigger();
    }
    void speedUp(const char* timer) { window->findChild<QTimer*>(timer)->setInterval(kFastTicks); }
    bool waitForBoxes(std::size_t count, int timeoutMs = 10000) {
        return QTest::qWaitFor([&] { return dialogs.shown.size() >= count; }, timeoutMs);
    }

    TempDir dir;
    FakeDialogs dialogs;
    FakeQuestions questions;
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<MainWindow> window;
};

TEST_F(EnglishWalk, AfterAWorkingSessionNothingVisibleIsStillChinese) {
    // Every view open.
    for (const char* action : {"actionTrend", "actCommLog", "actBusScan", "actCommissioning"}) {
        trigger(action);
    }
    window->recordView()->record().setQuestions(questions);

    // A query, the address, a sensor search and a serial number.
    click(control::comDoOnce);
    ASSERT_TRUE(QTest::qWaitFor([&] { return text(control::txtValue[0]) == "21.50"; }, 3000));
    click(control::cmdReadAdd);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !text(control::TXTSN).empty(); }, 3000));
    click(control::cmdAutoSearch);
    QTest::qWait(300);
    setText(control::txtSensorid2, "1");
    click(control::cmdReadSensorID);
    QTest::qWait(300);

    // The first box of the query and of the address change: values that are no numbers.
    setText(control::txtStationID, "x");
    click(control::comDoOnce);
    ASSERT_TRUE(waitForBoxes(1));
    setText(control::txtStationID, "1");
    setText(control::txtSetID[1], "x");
    click(control::cmdChangeID);
    ASSERT_TRUE(waitForBoxes(2));

    // A warning: a position outside 1-24.
    setText(control::txtSensorid2, "99");
    click(control::cmdReadSensorID);
    ASSERT_TRUE(waitForBoxes(3));

    // Read-all, its notice, and the save dialog.
    const std::size_t before = dialogs.shown.size();
    setText(control::txtSensorid2, "1");
    click(control::cmdReadSNAll);
    speedUp(control::Timer6);
    ASSERT_TRUE(waitForBoxes(before + 1)) << text(control::TXTSN);
    ASSERT_EQ(text(control::txtSensorid2), "24") << dialogs.lastText();
    const auto list = dir.path() / "module.txt";
    dialogs.saveAnswers.push_back(list.string());
    click(control::cmdSaveSn);
    ASSERT_EQ(dialogs.saveRequests.size(), 1U);
    // A warning: a folder that is not there.
    dialogs.saveAnswers.push_back((dir.path() / "missing" / "module.txt").string());
    click(control::cmdSaveSn);

    // The open dialog, the list written by the automatic writing, and its OK/Cancel box at
    // the end; then a box without a title of its own (no port chosen).
    dialogs.openAnswers.push_back(list.string());
    click(control::cmdOpenFile);
    ASSERT_EQ(dialogs.openRequests.size(), 1U);
    const std::size_t beforeWriting = dialogs.shown.size();
    click(control::cmdWriteAllSn);
    speedUp(control::Timer3);
    ASSERT_TRUE(waitForBoxes(beforeWriting + 1, 15000)) << text(control::TXTSN);
    // A bad entry to write (the KALVEN box), and a port not chosen (a box without a title of
    // its own).
    setText(control::txtObjSensorid, "x");
    click(control::cmdWriteNext);
    window->controls().setCurrentIndex(control::Combo1, -1);
    click(control::cmdCom);

    // A short bus scan, with the stations that answered listed.
    auto* first = window->findChild<QSpinBox*>("txtScanFirst");
    auto* last = window->findChild<QSpinBox*>("txtScanLast");
    auto* timeout = window->findChild<QSpinBox*>("txtScanTimeout");
    ASSERT_TRUE(first != nullptr && last != nullptr && timeout != nullptr);
    first->setValue(1);
    last->setValue(3);
    timeout->setValue(50);
    window->controls().setCurrentIndex(control::Combo1, 2);
    click(control::cmdCom);
    click("cmdScanStart");
    auto* start = window->findChild<QPushButton*>("cmdScanStart");
    ASSERT_TRUE(QTest::qWaitFor([&] { return start->isEnabled(); }, 5000));
    ASSERT_GT(window->findChild<QListWidget*>("lstScanFound")->count(), 0);

    // A question: a new record while this one is not saved.
    questions.yesNo.push_back(false);
    window->recordView()->record().startNew();
    ASSERT_EQ(questions.asked.size(), 1U);

    // Let the trend and the log show what came.
    QTest::qWait(1200);
    window->recordView()->refresh();

    // Each kind of box came, as the handlers gave it and as Qt builds it.
    Walk walk;
    bool okCancel = false;
    bool exclamation = false;
    std::set<std::string> titles;
    for (const MessageBox& box : dialogs.shown) {
        okCancel = okCancel || box.okCancel;
        exclamation = exclamation || box.exclamation;
        titles.insert(box.title.value_or("(none)"));
        walk.check("box", box.text);
        walk.check("box title", box.title.value_or(""));
        auto built = QtDialogs::buildMessageBox(box, window.get());
        walk.check("box title as built", built->windowTitle());
        for (QAbstractButton* button : built->buttons()) {
            walk.check("box button", button->text());
        }
    }
    EXPECT_TRUE(okCancel && exclamation) << "OK/Cancel " << okCancel << ", warning " << exclamation;
    const std::set<std::string> everyTitle{"System Notice", "KALVEN Notice", "(none)"};
    EXPECT_TRUE(std::includes(titles.begin(), titles.end(), everyTitle.begin(), everyTitle.end()))
        << "titles seen: " << ::testing::PrintToString(titles);
    // "系统信息" titles only the box of a port that stayed open when it was to be closed, which
    // no session can bring about: its English is looked up as the handler looks it up.
    walk.check("box title", translatedText("系统信息"));
    EXPECT_EQ(translatedText("系统信息"), QStringLiteral("System Information"));
    for (const auto* requests : {&dialogs.openRequests, &dialogs.saveRequests}) {
        for (const FileDialogRequest& request : *requests) {
            walk.check("file dialog title", request.title);
            walk.check("file dialog filter", QtDialogs::nameFilters(request.filter));
        }
    }
    for (const MessageBox& question : questions.asked) {
        walk.check("question", question.text);
        walk.check("question title", question.title.value_or(""));
    }
    walk.check("status bar", window->statusBar()->currentMessage());
    walk.widgets(*window);
    EXPECT_EQ(walk.found(), "") << "still in Chinese";
}

}  // namespace
}  // namespace tc24
