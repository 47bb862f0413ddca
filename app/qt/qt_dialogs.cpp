#include "app/qt/qt_dialogs.h"

#include <QStringList>

#include "app/qt/language.h"

namespace tc24 {

namespace {

// A pattern list as Qt expects it: blank-separated; "*.*" means every file, as on Windows.
QString qtPatterns(const QString& patterns) {
    QStringList out;
    for (const QString& pattern : patterns.split(u';', Qt::SkipEmptyParts)) {
        const QString trimmed = pattern.trimmed();
        if (trimmed.isEmpty()) {
            continue;
        }
#ifdef Q_OS_WIN
        out << trimmed;
#else
        out << (trimmed == QLatin1String("*.*") ? QStringLiteral("*") : trimmed);
#endif
    }
    return out.join(u' ');
}

}  // namespace

QtDialogs::QtDialogs(QWidget* parent) : parent_(parent) {}

QString QtDialogs::nameFilters(std::string_view filter) {
    const QStringList parts =
        QString::fromUtf8(filter.data(), static_cast<qsizetype>(filter.size())).split(u'|');
    QStringList entries;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        // A description without a pattern lists what it names.
        const QString patterns = qtPatterns(i + 1 < parts.size() ? parts[i + 1] : parts[i]);
        if (description.isEmpty() && patterns.isEmpty()) {
            continue;
        }
        const QString suffix = QStringLiteral("(%1)").arg(patterns);
        if (description.endsWith(suffix)) {
            entries << description;  // already names its patterns
        } else if (description.isEmpty()) {
            entries << suffix;
        } else {
            entries << QStringLiteral("%1 %2").arg(description, suffix);
        }
    }
    return entries.join(QStringLiteral(";;"));
}

std::unique_ptr<QMessageBox> QtDialogs::buildMessageBox(const MessageBox& box, QWidget* parent) {
    auto dialog = std::make_unique<QMessageBox>(parent);
    dialog->setText(QString::fromStdString(box.text));
    dialog->setTextFormat(Qt::PlainText);
    dialog->setWindowTitle(box.title ? QString::fromStdString(*box.title) : applicationTitle());
    dialog->setIcon(box.exclamation ? QMessageBox::Warning : QMessageBox::NoIcon);
    if (box.okCancel) {
        dialog->setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    } else {
        dialog->setStandardButtons(QMessageBox::Ok);
    }
    dialog->setDefaultButton(QMessageBox::Ok);
    return dialog;
}

void QtDialogs::showMessage(const MessageBox& box) {
    const auto dialog = buildMessageBox(box, parent_.data());
    dialog->exec();
}

std::unique_ptr<QFileDialog> QtDialogs::buildFileDialog(const FileDialogRequest& request, bool save,
                                                        QWidget* parent) {
    auto dialog = std::make_unique<QFileDialog>(parent);
    dialog->setOption(QFileDialog::DontUseNativeDialog, true);
    if (!request.title.empty()) {
        dialog->setWindowTitle(QString::fromStdString(request.title));
    }
    dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog->setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    if (!request.initialDirectory.empty()) {
        dialog->setDirectory(QString::fromStdString(request.initialDirectory));
    }
    const QString filters = nameFilters(request.filter);
    if (!filters.isEmpty()) {
        dialog->setNameFilter(filters);
    }
    return dialog;
}

std::optional<std::string> QtDialogs::askFile(const FileDialogRequest& request, bool save) {
    FileDialogRequest shown = request;
    if (shown.title.empty()) {
        shown.title = lastTitle_;
    } else {
        lastTitle_ = shown.title;
    }
    const auto dialog = buildFileDialog(shown, save, parent_.data());
    if (dialog->exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    const QStringList files = dialog->selectedFiles();
    if (files.isEmpty() || files.front().isEmpty()) {
        return std::nullopt;
    }
    return files.front().toStdString();
}

std::optional<std::string> QtDialogs::askSaveFile(const FileDialogRequest& request) {
    return askFile(request, true);
}

std::optional<std::string> QtDialogs::askOpenFile(const FileDialogRequest& request) {
    return askFile(request, false);
}

}  // namespace tc24
