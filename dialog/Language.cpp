#include "dialog/Language.h"

#include <QCoreApplication>
#include <QTranslator>
#include <cstdlib>

namespace velmora::dialog {

namespace {

// The translator of the scope that installed one, so scopes nest.
QTranslator* installed = nullptr;

// Texts of the core that reach the user in a message box. The core has no
// Qt; these entries give the translation tools its sources.
[[maybe_unused]] constexpr const char* kFailureTexts[] = {
    QT_TRANSLATE_NOOP("velmora::Failure", "Недостаточно памяти"),
    QT_TRANSLATE_NOOP("velmora::Failure", "Непредвиденная внутренняя ошибка"),
    QT_TRANSLATE_NOOP("velmora::Failure", "Поддерживаются только изображения из трёх каналов"),
    QT_TRANSLATE_NOOP("velmora::Failure", "Неподходящее выравнивание"),
    QT_TRANSLATE_NOOP("velmora::Failure", "Нет записи фильтра"),
    QT_TRANSLATE_NOOP("velmora::Failure", "Неверный размер изображения"),
    QT_TRANSLATE_NOOP("velmora::Failure", "Неверное число каналов"),
    QT_TRANSLATE_NOOP("velmora::Failure", "Переполнение размера"),
    QT_TRANSLATE_NOOP("velmora::Failure", "Хост не предоставил процедуры буферов"),
    QT_TRANSLATE_NOOP("velmora::Failure", "Не удалось выделить блок параметров"),
    QT_TRANSLATE_NOOP("velmora::Failure", "Не удалось получить блок параметров"),
    QT_TRANSLATE_NOOP("velmora::Failure", "Переполнение кэша цветов"),
    QT_TRANSLATE_NOOP("velmora::Failure", "Хост не предоставил службу цвета"),
    QT_TRANSLATE_NOOP("velmora::Failure", "Ошибка проверки диапазона"),
    QT_TRANSLATE_NOOP("velmora::Failure", "Неверный масштаб"),
    QT_TRANSLATE_NOOP("velmora::Failure", "Неправильная матрица яркости"),
    QT_TRANSLATE_NOOP("velmora::Failure", "Нет растра предпросмотра"),
    QT_TRANSLATE_NOOP("velmora::Failure", "Индекс вне диапазона"),
    QT_TRANSLATE_NOOP("velmora::Failure", "Неправильный TrackBar"),
    QT_TRANSLATE_NOOP("velmora::Failure", "Неправильный Edit"),
    QT_TRANSLATE_NOOP("velmora::Failure", "Не нашлось кнопки :("),
    QT_TRANSLATE_NOOP("velmora::Failure", "tMapCreator: неправильный шаг"),
    QT_TRANSLATE_NOOP("velmora::Failure", "BalanceChanger: неправильный параметр"),
    QT_TRANSLATE_NOOP("velmora::Failure", "Окно «О программе» пока недоступно"),
    QT_TRANSLATE_NOOP("velmora::Failure", "Диалог параметров пока недоступен"),
    QT_TRANSLATE_NOOP("velmora::Failure",
                      "Окно «О программе» не может быть показано: нет графического дисплея"),
    QT_TRANSLATE_NOOP("velmora::Failure",
                      "Диалог параметров не может быть показан: нет графического дисплея"),
};

}  // namespace

QString RequestedLanguage() {
    const char* value = std::getenv("VELMORA_LANGUAGE");
    const QString language = value ? QString::fromLocal8Bit(value).trimmed().toLower() : QString();
    if (language == QLatin1String("en") || language.startsWith(QLatin1String("en_")) ||
        language.startsWith(QLatin1String("en-")) || language.startsWith(QLatin1String("en.")))
        return QStringLiteral("en");
    return QStringLiteral("ru");
}

tLanguageScope::tLanguageScope(const QString& language) {
    if (language != QLatin1String("en") || installed || !QCoreApplication::instance()) return;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral(":/translations/velmora_en.qm"))) return;
    if (!QCoreApplication::installTranslator(translator.get())) return;
    translator_ = std::move(translator);
    installed = translator_.get();
}

tLanguageScope::~tLanguageScope() {
    if (!translator_) return;
    if (QCoreApplication::instance()) QCoreApplication::removeTranslator(translator_.get());
    installed = nullptr;
}

QString FailureText(const char* message) {
    const QString text = QString::fromUtf8(message);
    const QString whole = QCoreApplication::translate("velmora::Failure", message);
    if (whole != text) return whole;
    // "message (Unit)": the unit names a source unit and is not translated.
    const qsizetype open = text.lastIndexOf(QStringLiteral(" ("));
    if (open <= 0 || !text.endsWith(QLatin1Char(')'))) return text;
    const QByteArray head = text.left(open).toUtf8();
    return QCoreApplication::translate("velmora::Failure", head.constData()) + text.mid(open);
}

}  // namespace velmora::dialog
