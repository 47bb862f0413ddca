// The window in English beside Chinese: "语言 / Language" on the tool bar switches at once and
// changes words only, the handlers' boxes and the status line follow, the choice is kept in
// tc24.ini, and `tc24 --lang` wins for one run without being kept.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QTest>
#include <QToolBar>
#include <algorithm>
#include <fstream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "app/platform/tool_settings.h"
#include "app/qt/language.h"
#include "app/qt/main_window.h"
#include "app/qt/qt_dialogs.h"
#include "app/qt/record_view.h"
#include "core/fakes.h"
#include "link/control_names.h"
#include "qt/chinese_text.h"
#include "record/record.h"

void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace tc24 {
namespace {

using testing::FakeDialogs;
using testing::FakeSerialPort;
using testing::hasChinese;
using testing::TempDir;

// Every word the window shows: captions, titles, tooltips, accessible names, actions.
std::vector<QString> words(QMainWindow& window) {
    std::vector<QString> all{window.windowTitle()};
    for (QWidget* w : window.findChildren<QWidget*>()) {
        const QString name = w->objectName();
        all.push_back(name + u'|' + w->toolTip() + u'|' + w->accessibleName());
        const bool counter = name == control::lblCounter || name == control::lblErrCounter;
        if (auto* label = qobject_cast<QLabel*>(w); label != nullptr && !counter) {
            all.push_back(name + u'|' + label->text());
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            all.push_back(name + u'|' + button->text());
        } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
            all.push_back(name + u'|' + group->title());
        } else if (auto* bar = qobject_cast<QToolBar*>(w)) {
            all.push_back(name + u'|' + bar->windowTitle());
        }
    }
    for (QAction* action : window.findChildren<QAction*>()) {
        all.push_back(action->objectName() + u'|' + action->text() + u'|' + action->toolTip());
    }
    return all;
}

// Everything that is not a word: values, fields, panes, counters, colours, choices, checks.
std::vector<QString> values(QMainWindow& window) {
    std::vector<QString> all;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        const QString name = w->objectName() + (w->isHidden() ? QStringLiteral("|hidden|")
                                                              : QStringLiteral("|shown|"));
        if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            all.push_back(name + edit->text() + u'|' +
                          edit->palette().color(QPalette::Text).name());
        } else if (auto* pane = qobject_cast<QPlainTextEdit*>(w)) {
            all.push_back(name + pane->toPlainText());
        } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
            // The main window's choices are ports and rates; a view's (the trend's span) are
            // words, of which only the choice is a value.
            const bool words = combo->window() != &window;
            all.push_back(
                name + QString::number(combo->currentIndex()) + u'|' +
                QString::number(combo->count()) +
                (words ? QString()
                       : u'|' + combo->currentText() + u'|' + combo->itemText(combo->count() - 1)));
        }
    }
    for (const char* counter : {control::lblCounter, control::lblErrCounter}) {
        all.push_back(window.findChild<QLabel*>(counter)->text());
    }
    for (QAction* action : window.findChildren<QAction*>()) {
        if (action->actionGroup() == nullptr) {  // not the language's own check marks
            all.push_back(action->objectName() + u'|' + QString::number(action->isChecked()));
        }
    }
    return all;
}

// The entries that differ, for a readable failure.
std::string differences(const std::vector<QString>& now, const std::vector<QString>& before) {
    std::string out;
    for (std::size_t i = 0; i < std::max(now.size(), before.size()); ++i) {
        const QString a = i < now.size() ? now[i] : QStringLiteral("(none)");
        const QString b = i < before.size() ? before[i] : QStringLiteral("(none)");
        if (a != b) {
            out += "\n  now " + a.toStdString() + "\n  was " + b.toStdString();
        }
    }
    return out;
}

class LanguageSwitch : public ::testing::Test {
protected:
    void start() {
        window.reset();
        window = std::make_unique<MainWindow>(dir.path(), &port, &dialogs);
        window->load();
        window->resize(MainWindow::kStartSize);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    void TearDown() override {
        window.reset();
        installLanguage(WindowLanguage::Chinese);
    }
    // The operator's choice in the "语言 / Language" menu; every widget then hears of it.
    void choose(const char* action) {
        QAction* choice = window->findChild<QAction*>(action);
        ASSERT_NE(choice, nullptr) << action;
        choice->trigger();
        QCoreApplication::processEvents();
    }
    template <typename W = QWidget>
    W* get(const char* name) {
        return window->findChild<W*>(QString::fromUtf8(name));
    }
    QString toolAction(const char* name) {
        const auto* action = window->findChild<QAction*>(name);
        return action != nullptr ? action->text() : QStringLiteral("(no action %1)").arg(name);
    }
    WindowLanguage saved() { return readToolSettings(window->settingsLocation()).language; }

    TempDir dir;
    FakeSerialPort port;
    FakeDialogs dialogs;
    std::unique_ptr<MainWindow> window;
};

TEST_F(LanguageSwitch, SwitchingChangesTheWordsAtOnceAndNothingElse) {
    start();
    EXPECT_EQ(window->language(), WindowLanguage::Chinese);
    EXPECT_EQ(toolAction("actLanguage"), QStringLiteral("语言 / Language"));
    const auto chinese = words(*window);

    // A window in use: values typed and read, a pane filled, a box red, a port chosen.
    auto& ui = window->controls();
    ui.setText(control::txtStationID, "7");
    ui.setText(control::txtValue[3], "25.31");
    ui.setTextColor(control::txtValue[5], TextColor::Red);
    ui.setText(control::lblCounter, "42");
    ui.setText(control::TXTSN, "设备当前地址为:\r\n7");
    ui.setShown(control::TXTSN, true);
    ui.setCurrentIndex(control::Combo1, 2);
    get<QLineEdit>(control::txtSetID[0])->setText("12");
    const auto before = values(*window);

    choose("actEnglish");
    EXPECT_EQ(window->language(), WindowLanguage::English);
    EXPECT_EQ(window->windowTitle(),
              QStringLiteral("tc24 24-channel temperature module test tool"));
    EXPECT_EQ(get<QGroupBox>(control::Frame5)->title(), QStringLiteral("Serial port"));
    EXPECT_EQ(get<QLabel>(control::Label3)->text(), QStringLiteral("Port"));
    EXPECT_EQ(get<QPushButton>(control::cmdCom)->text(), QStringLiteral("Save settings"));
    EXPECT_EQ(get<QLabel>(control::lblValue[23])->text(), QStringLiteral("Channel 24"));
    EXPECT_TRUE(get<QPushButton>(control::cmdAutoInput)->toolTip().startsWith("Before you start"));
    EXPECT_EQ(toolAction("actEchoSuppression"), QStringLiteral("Echo suppression"));
    EXPECT_EQ(toolAction("actionRecord"), QStringLiteral("Record data"));
    EXPECT_EQ(toolAction("actCommissioning"), QStringLiteral("Commissioning record"));
    EXPECT_EQ(window->toolsBar()->windowTitle(), QStringLiteral("Tools"));
    EXPECT_TRUE(window->findChild<QAction*>("actEnglish")->isChecked());
    EXPECT_EQ(differences(values(*window), before), "") << "a value, field, pane or colour changed";

    // Every word of the form is English now.
    for (QWidget* w : window->centralWidget()->findChildren<QWidget*>()) {
        for (const QString& text :
             {w->toolTip(), w->accessibleName(),
              qobject_cast<QLabel*>(w) ? qobject_cast<QLabel*>(w)->text() : QString(),
              qobject_cast<QAbstractButton*>(w) ? qobject_cast<QAbstractButton*>(w)->text()
                                                : QString(),
              qobject_cast<QGroupBox*>(w) ? qobject_cast<QGroupBox*>(w)->title() : QString()}) {
            EXPECT_FALSE(hasChinese(text))
                << w->objectName().toStdString() << ": " << text.toStdString();
        }
    }
    // The current address box sits in the blanks of the English sentence too.
    const auto* sentence = get<QLabel>(control::Label2_7);
    const auto* box = get<QLineEdit>(control::txtSetID[0]);
    const QString text = sentence->text();
    const int left = sentence->contentsRect().left();
    const QFontMetrics metrics = sentence->fontMetrics();
    ASSERT_TRUE(text.startsWith(QStringLiteral("Change  ")) &&
                text.endsWith(QStringLiteral("  to")));
    EXPECT_GE(box->x(), left + metrics.horizontalAdvance(QStringLiteral("Change")));
    EXPECT_LE(box->x() + box->width(), left + metrics.horizontalAdvance(text.chopped(2)));

    choose("actChinese");
    EXPECT_EQ(differences(words(*window), chinese), "") << "back in Chinese, every word as it was";
    EXPECT_EQ(differences(values(*window), before), "");
}

TEST_F(LanguageSwitch, BoxesTitlesAndTheStatusLineFollowTheLanguage) {
    start();
    choose("actEnglish");
    get<QPushButton>(control::cmdCom)->click();  // no port chosen
    ASSERT_FALSE(dialogs.shown.empty());
    EXPECT_EQ(dialogs.shown.back().text, "Choose a port");
    EXPECT_FALSE(dialogs.shown.back().title.has_value());

    window->controls().setCurrentIndex(control::Combo1, 0);
    get<QPushButton>(control::cmdCom)->click();
    EXPECT_EQ(dialogs.shown.back().text, "Serial port settings saved");
    EXPECT_EQ(dialogs.shown.back().title, "System Notice");
    const QString status = window->statusBar()->currentMessage();
    EXPECT_TRUE(status.startsWith(QStringLiteral("COM1 (")) &&
                status.endsWith(QStringLiteral(" open")))
        << status.toStdString();

    // A text built from pieces: the value goes where the English puts it.
    window->core().state().ChennelNum = 2;
    window->controls().setText(control::txtObjSensorid, "2");
    get<QPushButton>(control::cmdWriteNext)->click();
    EXPECT_EQ(dialogs.shown.back().text,
              "The imported list has only 2 entries: “Next” starts again at the first!");

    // Qt's own texts: a box without a title shows the application's, with English buttons.
    auto box = QtDialogs::buildMessageBox({"x", {}, false, false}, nullptr);
    EXPECT_EQ(box->windowTitle(), QStringLiteral("tc24 24-channel temperature module test tool"));
    EXPECT_EQ(box->button(QMessageBox::Ok)->text(), QStringLiteral("OK"));

    choose("actChinese");
    get<QPushButton>(control::cmdCom)->click();
    EXPECT_EQ(dialogs.shown.back().text, "串口设置保存成功");
    EXPECT_EQ(dialogs.shown.back().title, "系统提示");
    EXPECT_TRUE(window->statusBar()->currentMessage().endsWith(QStringLiteral(" 已打开")));
    box = QtDialogs::buildMessageBox({"x", {}, false, false}, nullptr);
    EXPECT_EQ(box->windowTitle(), QStringLiteral("tc24 24路温度采集模块测试工具"));
    // Qt's translation in Chinese (qt6-translations-l10n): no "OK" in a Chinese window.
    EXPECT_EQ(box->button(QMessageBox::Ok)->text(), QStringLiteral("确定"));
}

TEST_F(LanguageSwitch, TheRecordViewTakesTheWindowsLanguage) {
    start();
    RecordView* view = window->recordView();
    ASSERT_NE(view, nullptr);
    choose("actEnglish");
    EXPECT_EQ(view->windowTitle(), QStringLiteral("Commissioning record"));
    EXPECT_EQ(view->record().language(), record::Language::English);
    const auto lines = view->record().checkLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front().name,
              record::checkName(record::kAllChecks.front(), record::Language::English));
    EXPECT_EQ(lines.front().result, "not set");
    EXPECT_EQ(view->record().positionLines()[0].serial, "not read");
    view->show();
    view->refresh();
    auto* checks = view->findChild<QTableWidget*>("recordChecksTable");
    ASSERT_NE(checks, nullptr);
    EXPECT_EQ(checks->item(0, 0)->text().toStdString(), lines.front().name);

    choose("actChinese");
    EXPECT_EQ(view->record().language(), record::Language::Chinese);
    EXPECT_EQ(checks->item(0, 0)->text().toStdString(),
              record::checkName(record::kAllChecks.front(), record::Language::Chinese));
}

TEST_F(LanguageSwitch, TheChoiceSurvivesARestartThroughTc24Ini) {
    start();
    window->findChild<QAction*>("actEchoSuppression")->trigger();  // another setting in the file
    choose("actEnglish");
    EXPECT_EQ(saved(), WindowLanguage::English);

    start();
    EXPECT_EQ(window->language(), WindowLanguage::English);
    EXPECT_EQ(get<QLabel>(control::Label3)->text(), QStringLiteral("Port"));
    EXPECT_TRUE(window->findChild<QAction*>("actEnglish")->isChecked());
    EXPECT_TRUE(readToolSettings(window->settingsLocation()).echoSuppression);

    choose("actChinese");
    start();
    EXPECT_EQ(window->language(), WindowLanguage::Chinese);
    EXPECT_EQ(get<QLabel>(control::Label3)->text(), QStringLiteral("串口号"));
    EXPECT_TRUE(readToolSettings(window->settingsLocation()).echoSuppression);
}

TEST_F(LanguageSwitch, TheCommandLinesLanguageWinsForOneRunAndIsNotKept) {
    const auto parse = [](QStringList arguments) {
        arguments.prepend(QStringLiteral("tc24"));
        return languageOption(arguments);
    };
    EXPECT_EQ(parse({}).language, std::nullopt);
    EXPECT_EQ(parse({"-platform", "offscreen"}).language, std::nullopt);
    EXPECT_EQ(parse({"--lang", "en"}).language, WindowLanguage::English);
    EXPECT_EQ(parse({"--lang=zh"}).language, WindowLanguage::Chinese);
    EXPECT_EQ(parse({"--lang", "zh", "--lang", "en"}).language, WindowLanguage::English);
    EXPECT_TRUE(parse({}).error.isEmpty());
    for (const QStringList& wrong :
         {QStringList{"--lang"}, QStringList{"--lang", "fr"}, QStringList{"--lang="}}) {
        const auto option = parse(wrong);
        EXPECT_FALSE(option.error.isEmpty()) << wrong.join(' ').toStdString();
        EXPECT_EQ(option.language, std::nullopt);
    }

    start();
    window->setLanguage(WindowLanguage::English, false);  // what startMainWindow does with it
    QCoreApplication::processEvents();
    EXPECT_EQ(get<QLabel>(control::Label3)->text(), QStringLiteral("Port"));
    EXPECT_EQ(saved(), WindowLanguage::Chinese);
    start();
    EXPECT_EQ(window->language(), WindowLanguage::Chinese);
}

TEST(LanguageSetting, OnlyEnOrZhInTc24IniChooseALanguage) {
    const auto readBack = [](const std::string& written) {
        TempDir dir;  // a file of its own: QSettings keeps what it read of a file
        const SettingsLocation location{dir.path(), dir.path()};
        std::ofstream(toolSettingsPath(location)) << "[window]\nlanguage=" << written << "\n";
        return readToolSettings(location).language;
    };
    EXPECT_EQ(readBack("en"), WindowLanguage::English);
    EXPECT_EQ(readBack("zh"), WindowLanguage::Chinese);
    for (const char* unknown : {"EN", "fr", ""}) {
        EXPECT_EQ(readBack(unknown), WindowLanguage::Chinese) << unknown;
    }

    TempDir dir;
    const SettingsLocation location{dir.path(), dir.path()};
    EXPECT_EQ(readToolSettings(location).language, WindowLanguage::Chinese) << "no file";
    ToolSettings settings;
    settings.language = WindowLanguage::English;
    ASSERT_EQ(writeToolSettings(location, settings), std::nullopt);
    EXPECT_EQ(readToolSettings(location).language, WindowLanguage::English);
}

}  // namespace
}  // namespace tc24
