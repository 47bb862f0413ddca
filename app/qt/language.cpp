#include "app/qt/language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace tc24 {

namespace {

constexpr const char* kOwnTranslation = ":/i18n/tc24_en.qm";
constexpr const char* kQtChinese = "qtbase_zh_CN";

// Nothing before the first window installs its language.
std::optional<WindowLanguage> installed;

// The application's translator of that name, made once and owned by the application.
QTranslator* translatorNamed(const QString& name) {
    auto* app = QCoreApplication::instance();
    if (app == nullptr) {
        return nullptr;
    }
    auto* translator = app->findChild<QTranslator*>(name, Qt::FindDirectChildrenOnly);
    if (translator == nullptr) {
        translator = new QTranslator(app);
        translator->setObjectName(name);
    }
    return translator;
}

}  // namespace

bool installLanguage(WindowLanguage language) {
    if (installed == language) {
        return true;  // in force: no widget needs telling again
    }
    installed = language;
    QTranslator* own = translatorNamed(QStringLiteral("tc24Translation"));
    QTranslator* qt = translatorNamed(QStringLiteral("qtTranslation"));
    if (own == nullptr || qt == nullptr) {
        return false;
    }
    QCoreApplication::removeTranslator(own);
    QCoreApplication::removeTranslator(qt);
    if (language == WindowLanguage::English) {
        if (own->isEmpty() && !own->load(QString::fromLatin1(kOwnTranslation))) {
            return false;
        }
        return QCoreApplication::installTranslator(own);
    }
    if (qt->isEmpty() && !qt->load(QString::fromLatin1(kQtChinese),
                                   QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        return false;
    }
    return QCoreApplication::installTranslator(qt);
}

WindowLanguage installedLanguage() {
    return installed.value_or(WindowLanguage::Chinese);
}

record::Language recordLanguage() {
    return installedLanguage() == WindowLanguage::English ? record::Language::English
                                                          : record::Language::Chinese;
}

QString translatedText(const char* source) {
    return QCoreApplication::translate(kTextContext, source);
}

QString applicationTitle() {
    return translatedText(kApplicationTitle);
}

std::string ApplicationTranslator::translate(const char* source) const {
    // Chinese is what the texts are written in: they go out exactly as marked.
    if (installedLanguage() == WindowLanguage::Chinese) {
        return source;
    }
    return translatedText(source).toStdString();
}

LanguageOption languageOption(const QStringList& arguments) {
    LanguageOption option;
    const QString name = QStringLiteral("--lang");
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        QString value;
        if (arguments[i] == name) {
            if (i + 1 >= arguments.size()) {
                option.error = QStringLiteral("--lang needs a language: en or zh");
                return option;
            }
            value = arguments[++i];
        } else if (arguments[i].startsWith(name + u'=')) {
            value = arguments[i].mid(name.size() + 1);
        } else {
            continue;
        }
        const auto language = languageFromCode(value.toStdString());
        if (!language) {
            option.error = QStringLiteral("--lang takes en or zh, not \"%1\"").arg(value);
            option.language.reset();
            return option;
        }
        option.language = language;  // the last one given wins
    }
    return option;
}

}  // namespace tc24
