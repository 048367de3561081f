#include "app/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <utility>

namespace vor {
namespace {

constexpr char kName[] = "vor_qt_pt";

// Qt's Brazilian catalogue with the words that read otherwise in Portugal
// ("Salvar", "Arquivo", "Excluir") replaced by the European ones.
class EuropeanWordsTranslator : public QTranslator {
 public:
  using QTranslator::QTranslator;

  QString translate(const char* context, const char* source,
                    const char* disambiguation, int n) const override {
    QString text = QTranslator::translate(context, source, disambiguation, n);
    static const std::pair<const char*, const char*> kWords[] = {
        {"&Salvar", "&Guardar"},   {"Salvar", "Guardar"},
        {"salvar", "guardar"},     {"Arquivos", "Ficheiros"},
        {"arquivos", "ficheiros"}, {"Arquivo", "Ficheiro"},
        {"arquivo", "ficheiro"},   {"E&xcluir", "E&liminar"},
        {"Excluir", "Eliminar"},   {"excluir", "eliminar"},
        {"Exibição", "Vista"},     {"exibição", "vista"},
        {"Deseja", "Quer"},
    };
    for (const auto& [brazilian, european] : kWords) {
      text.replace(QString::fromUtf8(brazilian), QString::fromUtf8(european));
    }
    return text;
  }
};

}  // namespace

int LoadQtTranslations() {
  // The translators live as long as the application: they are its
  // children, and a second call finds them there.
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr) return 0;
  const QList<QTranslator*> installed =
      app->findChildren<QTranslator*>(QString::fromLatin1(kName));
  if (!installed.isEmpty()) return static_cast<int>(installed.size());
  // Dates and sizes in the dialogs as written in Portugal.
  QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Portugal));
  const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  int loaded = 0;
  // The last installed is asked first: the European catalogues before the
  // Brazilian one, which gives what they lack (Debian's qt_pt_PT predates
  // the texts of Qt 6's standard buttons and file dialog).
  for (const char* name : {"qtbase_pt_BR", "qt_pt_PT", "qtbase_pt_PT"}) {
    QTranslator* translator = QByteArray(name).endsWith("_BR")
                                  ? new EuropeanWordsTranslator(app)
                                  : new QTranslator(app);
    if (translator->load(QString::fromLatin1(name), folder) &&
        QCoreApplication::installTranslator(translator)) {
      translator->setObjectName(QString::fromLatin1(kName));
      ++loaded;
    } else {
      delete translator;
    }
  }
  return loaded;
}

}  // namespace vor
