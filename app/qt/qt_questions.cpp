#include "app/qt/qt_questions.h"

#include <QFile>
#include <QFileDialog>
#include <QMessageBox>

#include "app/qt/language.h"
#include "app/qt/qt_dialogs.h"

namespace tc24 {

bool QtQuestions::askYesNo(const MessageBox& question) {
    QMessageBox box(parent_.data());
    box.setText(QString::fromStdString(question.text));
    box.setTextFormat(Qt::PlainText);
    box.setWindowTitle(question.title ? QString::fromStdString(*question.title)
                                      : applicationTitle());
    box.setIcon(question.exclamation ? QMessageBox::Warning : QMessageBox::Question);
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    // Keeping what is there is the safe answer.
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

std::optional<std::filesystem::path> QtQuestions::askSavePath(const std::string& title,
                                                              const std::filesystem::path& proposed,
                                                              const std::string& filter) {
    QFileDialog dialog(parent_.data(), QString::fromStdString(title));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The caller never replaces a file; it takes a free name instead and says so.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setNameFilter(QtDialogs::nameFilters(filter));
    dialog.setDirectory(QFile::decodeName(proposed.parent_path().string().c_str()));
    dialog.selectFile(QFile::decodeName(proposed.filename().string().c_str()));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    const QString chosen = dialog.selectedFiles().front();
    if (chosen.isEmpty()) {
        return std::nullopt;
    }
    return std::filesystem::path(QFile::encodeName(chosen).toStdString());
}

}  // namespace tc24
