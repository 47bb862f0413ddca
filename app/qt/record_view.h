#pragma once

#include <QWidget>
#include <memory>

#include "diagnostics/commissioning_record.h"

class QAction;
class QTableWidget;

namespace Ui {
class RecordView;
}

namespace tc24 {

class MainWindow;
class QtQuestions;

// "调试记录": the commissioning record the window builds from what the engineer does anyway
// (diagnostics/commissioning_record.h), in a window of its own made from record_view.ui. It
// shows the module, the 24 positions, the checks and the verdict as the replies come, takes
// the limits, the operator, the note and the module id, and saves the record as JSON or PDF.
// It collects from the moment it is installed, shown or not; it draws only while shown.
class RecordView : public QWidget {
    Q_OBJECT
public:
    // Creates the view for `window` and puts "调试记录" on its tool bar.
    static RecordView* install(MainWindow& window);

    explicit RecordView(MainWindow& window);
    ~RecordView() override;

    CommissioningRecord& record() { return *record_; }
    // The main window closes: true when nothing unsaved is lost, or the engineer lets it go.
    bool mayClose() { return record_->mayClose(); }
    // Shows the record as it is now.
    void refresh();

protected:
    void showEvent(QShowEvent* event) override;
    // The captions, the checks and the verdict follow the window's language; what the view
    // said in its status line and the engineer's entries stay.
    void changeEvent(QEvent* event) override;

private:
    void applyTexts();
    void applyLimits();
    void onChanged();
    static void setCell(QTableWidget* table, int row, int column, const QString& text,
                        const QColor& color = {});

    std::unique_ptr<Ui::RecordView> ui_;
    std::unique_ptr<QtQuestions> questions_;
    std::unique_ptr<CommissioningRecord> record_;
    QAction* action_ = nullptr;  // on the main window's tool bar
    QString limitsRefusal_;
    bool stale_ = true;
};

}  // namespace tc24
