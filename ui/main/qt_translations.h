// Qt's own texts (standard buttons, context menus of text fields, file
// dialogs) in Chinese, whatever the system's language: the program speaks
// Chinese throughout.
#pragma once

#include <QString>

class QCoreApplication;
class QTranslator;

namespace norvale {

inline constexpr const char* QT_TRANSLATION = "qtbase_zh_CN";

// Where Qt's translations are installed.
QString qtTranslationsFolder();

// Loads qtbase_zh_CN from `folder` (empty: Qt's translations folder) into
// `translator` and installs it in the application. False when the file is
// missing or unreadable; Qt's English texts then stay.
bool installQtTranslation(QCoreApplication& app, QTranslator& translator, const QString& folder = {});

}  // namespace norvale
