// QtTranslations: Qt's own texts (the buttons of message boxes, the file
// dialogs) in European Portuguese, as the Debian package
// qt6-translations-l10n ships them in Qt's translations folder, so that no
// window mixes English into the program's Portuguese.
#ifndef VOR_APP_QT_TRANSLATIONS_H_
#define VOR_APP_QT_TRANSLATIONS_H_

namespace vor {

// Installs, into the running application (which must exist), the
// Portuguese translations found in
// QLibraryInfo::path(QLibraryInfo::TranslationsPath): "qtbase_pt_PT" and
// "qt_pt_PT" first, "qtbase_pt_BR" for the texts they lack, with its
// Brazilian words put in European Portuguese ("Guardar", "Ficheiro",
// "Eliminar"). Returns how
// many were loaded; 0 leaves Qt's English texts (no catalogue installed).
// Makes European Portuguese the default locale (the dialogs' dates).
// Installing twice installs nothing more.
int LoadQtTranslations();

}  // namespace vor

#endif  // VOR_APP_QT_TRANSLATIONS_H_
