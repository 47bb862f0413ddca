#pragma once

#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <memory>
#include <string_view>

#include "link/ui.h"

namespace tc24 {

// Modal message boxes and file dialogs over QMessageBox and QFileDialog. A box without a title
// of its own shows the application's (applicationTitle()). The file dialogs are Qt's own
// (QFileDialog::DontUseNativeDialog), so that no platform theme changes them; like one common
// dialog, a request without a title of its own shows the title the last request gave (the
// import's "打开文件" on the save after it), and Qt's before any.
class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr);

    void showMessage(const MessageBox& box) override;
    std::optional<std::string> askSaveFile(const FileDialogRequest& request) override;
    std::optional<std::string> askOpenFile(const FileDialogRequest& request) override;

    // The boxes as they are shown, built but not yet opened.
    static std::unique_ptr<QMessageBox> buildMessageBox(const MessageBox& box, QWidget* parent);
    static std::unique_ptr<QFileDialog> buildFileDialog(const FileDialogRequest& request, bool save,
                                                        QWidget* parent);

    // "desc|pattern|desc2|pattern2" to Qt's "desc (pattern);;desc2 (pattern2)".
    static QString nameFilters(std::string_view filter);

private:
    std::optional<std::string> askFile(const FileDialogRequest& request, bool save);

    QPointer<QWidget> parent_;
    std::string lastTitle_;
};

}  // namespace tc24
