#pragma once

// Qt's own Chinese catalogue, so that the standard dialogs and the buttons of message
// boxes ("OK", "Cancel", the file dialogs) speak the program's language whatever the
// system's language is.

class QCoreApplication;
class QTranslator;

namespace zandrel {

// Loads and installs the catalogue of Qt's base module; the application owns the
// translator. Null when the catalogue is not installed: the texts then stay Qt's
// English ones, and the program works as before.
QTranslator* InstallQtTranslations(QCoreApplication& application);

}  // namespace zandrel
