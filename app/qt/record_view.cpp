#include "app/qt/record_view.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QToolBar>

#include "app/platform/record_json.h"
#include "app/qt/language.h"
#include "app/qt/main_window.h"
#include "app/qt/qt_questions.h"
#include "app/qt/ui_record_view.h"
#include "link/window_texts.h"
#include "report/record_pdf.h"

namespace tc24 {

namespace {

QString qt(const std::string& text) {
    return QString::fromStdString(text);
}

// The view's own captions: marked texts of link/window_texts.h, in the window's language.
QString qt(const char* text) {
    return translatedText(text);
}

QString number(const std::optional<int>& value) {
    return value ? QString::number(*value) : QString();
}

QColor stateColor(record::CheckState state) {
    switch (state) {
        case record::CheckState::Passed:
            return QColor(0x10, 0x80, 0x20);
        case record::CheckState::Failed:
            return QColor(0xC0, 0x10, 0x10);
        case record::CheckState::NotRun:
            return QColor(0xA0, 0x60, 0x00);
        case record::CheckState::NotConfigured:
            break;
    }
    return {};
}

QColor verdictColor(record::Verdict verdict) {
    switch (verdict) {
        case record::Verdict::Pass:
            return stateColor(record::CheckState::Passed);
        case record::Verdict::Fail:
            return stateColor(record::CheckState::Failed);
        case record::Verdict::Incomplete:
            break;
    }
    return stateColor(record::CheckState::NotRun);
}

// Records start where a portable program keeps its own files; an installed one, or one in a
// read-only folder, starts in the home folder.
std::filesystem::path recordsFolder(const SettingsLocation& location) {
    return location.folder == location.programDirectory
               ? location.programDirectory
               : std::filesystem::path(QFile::encodeName(QDir::homePath()).toStdString());
}

void setTextIfChanged(QLineEdit* edit, const std::string& text) {
    const QString wanted = qt(text);
    if (edit->text() != wanted) {
        edit->setText(wanted);
    }
}

void setTextIfChanged(QLabel* label, const QString& text) {
    if (label->text() != text) {
        label->setText(text);
    }
}

}  // namespace

RecordView* RecordView::install(MainWindow& window) {
    auto* view = new RecordView(window);
    QAction* action = window.toolsBar()->addAction(qt(texts::kRecordAction));
    action->setObjectName(QStringLiteral("actCommissioning"));
    action->setToolTip(qt(texts::kRecordActionTip));
    view->action_ = action;
    QObject::connect(action, &QAction::triggered, view, [view] {
        view->show();
        view->raise();
        view->activateWindow();
    });
    return view;
}

RecordView::RecordView(MainWindow& window)
    : QWidget(&window, Qt::Window), ui_(std::make_unique<Ui::RecordView>()) {
    ui_->setupUi(this);
    setObjectName(QStringLiteral("recordView"));
    applyTexts();

    questions_ = std::make_unique<QtQuestions>(this);
    RecordWriters writers;
    writers.json = [](const record::Record& record,
                      const std::vector<record::CheckResult>& checks) {
        return recordJsonText(record, checks);
    };
    // The report in the record's language, as its checks' reasons.
    writers.pdf = [this](const record::Record& record,
                         const std::vector<record::CheckResult>& checks,
                         const std::filesystem::path& file) {
        return report::writeRecordPdf(record, checks, file, record_->language());
    };
    record_ = std::make_unique<CommissioningRecord>(window.core().window(), *questions_,
                                                    std::move(writers), TC24_VERSION,
                                                    recordsFolder(window.settingsLocation()));
    record_->setLanguage(recordLanguage());
    record_->changed = [this] { onChanged(); };

    for (QLineEdit* limit : {ui_->recordSensors, ui_->recordPositions, ui_->recordMin,
                             ui_->recordMax, ui_->recordSpread}) {
        connect(limit, &QLineEdit::editingFinished, this, &RecordView::applyLimits);
    }
    connect(ui_->recordCrcCheck, &QCheckBox::toggled, this, &RecordView::applyLimits);
    // textEdited(): the engineer's typing only, not the texts a new record empties.
    connect(ui_->recordOperator, &QLineEdit::textEdited, this,
            [this](const QString& text) { record_->setOperator(text.toStdString()); });
    connect(ui_->recordNote, &QLineEdit::textEdited, this,
            [this](const QString& text) { record_->setNote(text.toStdString()); });
    connect(ui_->recordModuleId, &QLineEdit::textEdited, this,
            [this](const QString& text) { record_->setModuleId(text.toStdString()); });
    connect(ui_->recordSave, &QPushButton::clicked, this, [this] { record_->saveJson(); });
    connect(ui_->recordSavePdf, &QPushButton::clicked, this, [this] { record_->savePdf(); });
    connect(ui_->recordNew, &QPushButton::clicked, this, [this] { record_->startNew(); });
}

RecordView::~RecordView() = default;

void RecordView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange && record_ != nullptr) {
        applyTexts();
        record_->setLanguage(recordLanguage());  // redraws (or marks stale) through changed
        onChanged();
    }
    QWidget::changeEvent(event);
}

void RecordView::applyTexts() {
    if (action_ != nullptr) {
        action_->setText(qt(texts::kRecordAction));
        action_->setToolTip(qt(texts::kRecordActionTip));
    }
    setWindowTitle(qt(texts::kRecordTitle));
    ui_->recordModuleGroup->setTitle(qt(texts::kRecordModuleGroup));
    ui_->recordAddressCaption->setText(qt(texts::kRecordAddress));
    ui_->recordOldAddressCaption->setText(qt(texts::kRecordOldAddress));
    ui_->recordSensorCountCaption->setText(qt(texts::kRecordSensorCount));
    ui_->recordReadingsCaption->setText(qt(texts::kRecordReadings));
    ui_->recordStartCaption->setText(qt(texts::kRecordStart));

    ui_->recordLimitsGroup->setTitle(qt(texts::kRecordLimitsGroup));
    ui_->recordSensorsCaption->setText(qt(texts::kRecordLimitSensors));
    ui_->recordPositionsCaption->setText(qt(texts::kRecordLimitPositions));
    ui_->recordMinCaption->setText(qt(texts::kRecordLimitMin));
    ui_->recordMaxCaption->setText(qt(texts::kRecordLimitMax));
    ui_->recordSpreadCaption->setText(qt(texts::kRecordLimitSpread));
    ui_->recordCrcCheck->setText(qt(texts::kRecordLimitCrc));
    for (QLineEdit* limit :
         {ui_->recordSensors, ui_->recordMin, ui_->recordMax, ui_->recordSpread}) {
        limit->setPlaceholderText(qt(texts::kRecordNotSet));
    }
    ui_->recordPositions->setPlaceholderText(qt(texts::kRecordPositionsExample));

    ui_->recordPeopleGroup->setTitle(qt(texts::kRecordPeopleGroup));
    ui_->recordOperatorCaption->setText(qt(texts::kRecordOperator));
    ui_->recordModuleIdCaption->setText(qt(texts::kRecordModuleId));
    ui_->recordNoteCaption->setText(qt(texts::kRecordNote));

    ui_->recordPositionsGroup->setTitle(qt(texts::kRecordPositionsGroup));
    ui_->recordPositionsTable->setHorizontalHeaderLabels(
        {qt(texts::kRecordColumnSerial), qt(texts::kRecordColumnMatched),
         qt(texts::kRecordColumnLowest), qt(texts::kRecordColumnMean),
         qt(texts::kRecordColumnHighest)});
    ui_->recordChecksGroup->setTitle(qt(texts::kRecordChecksGroup));
    ui_->recordChecksTable->setHorizontalHeaderLabels(
        {qt(texts::kRecordColumnCheck), qt(texts::kRecordColumnLimits),
         qt(texts::kRecordColumnResult), qt(texts::kRecordColumnReason)});
    ui_->recordVerdictCaption->setText(qt(texts::kRecordVerdict));

    ui_->recordSave->setText(qt(texts::kRecordSave));
    ui_->recordSavePdf->setText(qt(texts::kRecordSavePdf));
    ui_->recordNew->setText(qt(texts::kRecordNew));

    for (QTableWidget* table : {ui_->recordPositionsTable, ui_->recordChecksTable}) {
        table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
        table->horizontalHeader()->setStretchLastSection(true);
    }
}

void RecordView::applyLimits() {
    const LimitTexts limits{
        ui_->recordSensors->text().toStdString(), ui_->recordPositions->text().toStdString(),
        ui_->recordMin->text().toStdString(),     ui_->recordMax->text().toStdString(),
        ui_->recordSpread->text().toStdString(),  ui_->recordCrcCheck->isChecked()};
    const auto refusal = record_->setLimits(limits);
    limitsRefusal_ = refusal ? qt(*refusal) : QString();
    onChanged();
}

void RecordView::onChanged() {
    if (!isVisible()) {
        stale_ = true;  // drawn when shown
        return;
    }
    refresh();
}

void RecordView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (stale_) {
        refresh();
    }
}

void RecordView::setCell(QTableWidget* table, int row, int column, const QString& text,
                         const QColor& color) {
    QTableWidgetItem* item = table->item(row, column);
    if (item == nullptr) {
        item = new QTableWidgetItem;
        table->setItem(row, column, item);
    }
    if (item->text() != text) {
        item->setText(text);
    }
    const QBrush brush = color.isValid() ? QBrush(color) : QBrush();
    if (item->foreground() != brush) {
        item->setForeground(brush);
    }
}

void RecordView::refresh() {
    stale_ = false;
    const record::Record shown = record_->record();
    setTextIfChanged(ui_->recordAddress, number(shown.address));
    setTextIfChanged(ui_->recordOldAddress, number(shown.oldAddress));
    setTextIfChanged(ui_->recordSensorCount, number(shown.sensorCount));
    setTextIfChanged(ui_->recordReadings,
                     qt(texts::kRecordPolls).arg(shown.polls).arg(shown.failedPolls));
    setTextIfChanged(ui_->recordStart, qt(shown.start));
    // The entries follow the record: a new one keeps the operator and empties the rest.
    setTextIfChanged(ui_->recordOperator, shown.operatorName);
    setTextIfChanged(ui_->recordNote, shown.note);
    setTextIfChanged(ui_->recordModuleId, shown.moduleId);

    const auto positions = record_->positionLines();
    for (int row = 0; row < static_cast<int>(positions.size()); ++row) {
        const PositionLine& line = positions[static_cast<std::size_t>(row)];
        setCell(ui_->recordPositionsTable, row, 0, qt(line.serial));
        setCell(ui_->recordPositionsTable, row, 1, qt(line.matched),
                line.differs ? stateColor(record::CheckState::Failed) : QColor());
        setCell(ui_->recordPositionsTable, row, 2, qt(line.lowest));
        setCell(ui_->recordPositionsTable, row, 3, qt(line.mean));
        setCell(ui_->recordPositionsTable, row, 4, qt(line.highest));
    }

    const auto checks = record_->checkLines();
    ui_->recordChecksTable->setRowCount(static_cast<int>(checks.size()));
    for (int row = 0; row < static_cast<int>(checks.size()); ++row) {
        const CheckLine& line = checks[static_cast<std::size_t>(row)];
        setCell(ui_->recordChecksTable, row, 0, qt(line.name));
        setCell(ui_->recordChecksTable, row, 1, qt(line.limits));
        setCell(ui_->recordChecksTable, row, 2, qt(line.result), stateColor(line.state));
        setCell(ui_->recordChecksTable, row, 3, qt(line.reason));
    }

    const record::Verdict verdict = record_->verdict();
    setTextIfChanged(ui_->recordVerdict, qt(record::verdictName(verdict, record_->language())));
    QPalette palette = ui_->recordVerdict->palette();
    if (palette.color(QPalette::WindowText) != verdictColor(verdict)) {
        palette.setColor(QPalette::WindowText, verdictColor(verdict));
        ui_->recordVerdict->setPalette(palette);
    }

    setTextIfChanged(ui_->recordStatus,
                     limitsRefusal_.isEmpty() ? qt(record_->status()) : limitsRefusal_);
    setTextIfChanged(ui_->recordSavedState, qt(!record_->hasData()  ? texts::kRecordNoData
                                               : record_->unsaved() ? texts::kRecordUnsaved
                                                                    : texts::kRecordSavedState));
}

}  // namespace tc24
