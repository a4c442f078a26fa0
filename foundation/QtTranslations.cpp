#include "QtTranslations.h"

#include "GLog.h"
#include "uitext.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

namespace {
QPointer<QTranslator> g_installed;

QString LocaleName(int lan)
{
    switch (lan) {
    case kLanZhCN: return QStringLiteral("zh_CN");
    case kLanZhTW: return QStringLiteral("zh_TW");
    default: return QString();
    }
}
}  // namespace

bool QtTranslations::Install(int lan)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return false;
    if (g_installed) {
        QCoreApplication::removeTranslator(g_installed);
        delete g_installed;
    }
    const QString locale = LocaleName(lan);
    if (locale.isEmpty())
        return false;
    auto* translator = new QTranslator(app);
    const QStringList folders{QCoreApplication::applicationDirPath() + QStringLiteral("/translations"),
                              QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
    // "qt_" gathers every module's catalogue; a system with Qt Base's alone has "qtbase_".
    for (const QString& folder : folders)
        for (const QString& base : {QStringLiteral("qt_"), QStringLiteral("qtbase_")})
            if (translator->load(base + locale, folder) && QCoreApplication::installTranslator(translator)) {
                g_installed = translator;
                return true;
            }
    delete translator;
    GLogInfo(QStringLiteral("Qt's own texts stay English: no catalogue for %1").arg(locale));
    return false;
}
