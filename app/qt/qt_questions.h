#pragma once

#include <QPointer>
#include <QWidget>

#include "link/ui.h"

namespace tc24 {

// The views' questions (link/ui.h) as Qt asks them: a yes/no QMessageBox, and a QFileDialog
// that starts at the proposed name and leaves not replacing a file to the caller.
class QtQuestions : public Questions {
public:
    explicit QtQuestions(QWidget* parent) : parent_(parent) {}

    bool askYesNo(const MessageBox& question) override;
    std::optional<std::filesystem::path> askSavePath(const std::string& title,
                                                     const std::filesystem::path& proposed,
                                                     const std::string& filter) override;

private:
    QPointer<QWidget> parent_;
};

}  // namespace tc24
