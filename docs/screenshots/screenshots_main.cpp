// vor-screenshots: pictures of the program's windows for the documentation.
// Run under an X server with a window manager (docs/screenshots/screenshots.sh
// starts Xvfb and one), with VOR_BASE_DIR pointing at an installation whose
// settings file reaches an ERP. Writes, into the folder given:
//   main-window.png          after a run: the list ends with the last line
//   main-window-running.png  during a run: disabled, with the progress bar
//   proposal-window.png      the proposal window the run opened
//   proposal-exceptions.png  the same, "Só exceções": the rows to check
//   proposal-supplier.png    the same, one supplier's articles
//   proposal-why.png         the same, panel "Porquê?" of an article with
//                            aggregated stock, customer and production
//                            demand and an order raised to the minimum
//   proposal-what-if.png     the same article in "E se?": its minimum stock
//                            and minimum order quantity raised by half, the
//                            packing factor doubled
//   proposal-changes.png     the same, "Só alterações": the rows changed
//                            since the previous run, the panel with the
//                            chart of the article over the stored runs
//   proposal-late.png        the same, "Só com encomendas em atraso": the
//                            rows with late supplier orders, the panel on
//                            one whose order would grow without them
//   proposal-baskets.png     the baskets per supplier: a short basket of a
//                            few lines with its suggestions, one line's
//                            quantity raised by the buyer
//   proposal-export.png      the export's file dialog
//   settings-email.png       the settings window, page "e-mail"
//   settings-log.png         the settings window, page "Log"
//   settings-database.png    the settings window, page "Base de dados",
//                            after "Testar ligação"
//   mail-server-setup.png    the mail-server set-up dialog
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QStringList>
#include <QTabBar>
#include <QTableView>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>

#include "app/basket_window.h"
#include "app/frm_parametros.h"
#include "app/frm_proposta.h"
#include "app/frm_vorencomendas.h"
#include "app/mail_server_setup.h"
#include "app/proposal_model.h"
#include "app/qt_translations.h"
#include "app/startup.h"
#include "app/ui_tab_strip.h"
#include "app/window_services.h"
#include "core/currency.h"
#include "core/figure_text.h"
#include "db/ligar_bd.h"
#include "engine/article_explanation.h"
#include "proposal/morning_report.h"
#include "proposal/proposal_table.h"
#include "settings/settings_file.h"

namespace {

// The proposal window's control named `name` (its object name); the
// program stops when the window has none, as the pictures would be wrong.
template <class T>
T* Control(const vor::frmProposta* proposal, const char* name) {
  T* control = proposal->findChild<T*>(QString::fromLatin1(name));
  if (control == nullptr) {
    std::cerr << "vor-screenshots: the proposal window has no " << name
              << std::endl;
    std::exit(2);
  }
  return control;
}

// The model the proposal window's table shows.
vor::ProposalModel* ModelOf(const vor::frmProposta* proposal) {
  return static_cast<vor::ProposalModel*>(
      Control<QTableView>(proposal, "table")->model());
}

// Lets the window manager map and decorate what was shown.
void Settle(int ms = 400) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < ms) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
}

// Makes shown row `row` current and waits for its explanation, which
// arrives from a thread of its own.
void ExplainAndWait(vor::frmProposta* proposal, int row) {
  Control<QTableView>(proposal, "table")
      ->setCurrentIndex(ModelOf(proposal)->index(row, 0));
  Control<QTableView>(proposal, "table")
      ->scrollTo(ModelOf(proposal)->index(row, 0));
  QElapsedTimer waited;
  waited.start();
  while (proposal->ExplanationRunning() && waited.elapsed() < 20000) {
    Settle(50);
  }
  Settle();
}

// The window with its frame, as the screen shows it.
bool Grab(QWidget* window, const std::string& path) {
  QScreen* screen = window->screen();
  const QRect frame = window->frameGeometry();
  const QPixmap shot = screen->grabWindow(0, frame.x(), frame.y(),
                                          frame.width(), frame.height());
  if (shot.isNull() || !shot.save(QString::fromStdString(path))) {
    std::cerr << "vor-screenshots: could not write " << path << "\n";
    return false;
  }
  std::cout << path << " (" << frame.width() << "x" << frame.height() << " at "
            << frame.x() << "," << frame.y() << ")\n";
  return true;
}

// Message boxes would wait for a click: they are printed instead.
class PrintingServices : public vor::WindowServices {
 public:
  void ShowMessage(QWidget*, Kind, const std::string& text) override {
    std::cerr << "message: " << text << "\n";
    ok = false;
  }
  void EndProgram(int code) override {
    std::cerr << "the program would end with code " << code << "\n";
    ok = false;
  }
  bool ok = true;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: vor-screenshots <output folder>\n";
    return 2;
  }
  const std::string out = argv[1];
  QApplication app(argc, argv);
  vor::LoadQtTranslations();
  QApplication::setWindowIcon(vor::ProgramIcon());
  PrintingServices services;
  bool ok = true;

  vor::frmVOREncomendas main_window("", vor::ApplicationFolder(), services);
  main_window.show();
  Settle();
  // A picture during the run, at the last article of the intake, where the
  // progress bar always shows the position (the run is too quick for the
  // bar's 50 ms steps to be caught in between).
  bool running_taken = false;
  QObject::connect(
      &main_window, &vor::frmVOREncomendas::LineAdded,
      [&](const QString& line) {
        if (running_taken || !line.startsWith("Artigo")) return;
        const QStringList numbers = line.section(' ', -1).split('/');
        if (numbers.size() == 2 && numbers[0] == numbers[1]) {
          running_taken = true;
          Settle(150);
          ok &= Grab(&main_window, out + "/main-window-running.png");
        }
      });
  main_window.btConf_Click();
  Settle();
  vor::frmProposta* proposal = main_window.ProposalWindow();
  ok &= proposal != nullptr && Grab(proposal, out + "/proposal-window.png");
  if (proposal != nullptr) {
    // Only the rows to check, every article, with their reasons.
    Control<QCheckBox>(proposal, "only_to_order_box")->setChecked(false);
    Control<QCheckBox>(proposal, "only_exceptions_box")->setChecked(true);
    Settle();
    ok &= Grab(proposal, out + "/proposal-exceptions.png");
    Control<QCheckBox>(proposal, "only_exceptions_box")->setChecked(false);
    Control<QCheckBox>(proposal, "only_to_order_box")->setChecked(true);

    // The articles of the supplier with the most to order: its shortages,
    // then its orders without shortage.
    const auto list = ModelOf(proposal)->view().Suppliers();
    int most = -1;
    for (int i = 0; i < static_cast<int>(list.size()); ++i) {
      if (most < 0 || list[i].to_order > list[most].to_order) most = i;
    }
    Control<QComboBox>(proposal, "supplier_box")->setCurrentIndex(most + 1);
    Settle();
    ok &= Grab(proposal, out + "/proposal-supplier.png");

    // The article whose explanation shows the most kinds of contribution.
    Control<QComboBox>(proposal, "supplier_box")->setCurrentIndex(0);
    Settle();
    int best = -1;
    int best_score = -1;
    for (int row = 0; row < ModelOf(proposal)->rowCount(); ++row) {
      const vor::ArticleExplanation why = vor::ExplainArticle(
          *main_window.state().ErpConnection,
          ModelOf(proposal)->RowAt(row).Text(vor::ResultField::kArtigo),
          main_window.state().ComponentMode);
      int score = 0;
      for (const auto& a : why.aggregated) {
        if (a.outcome == vor::AggregatedOutcome::kCounted) score = 1;
      }
      score += !why.customer_products.empty();
      score += !why.production_products.empty();
      score += why.final.branch == vor::FinalBranch::kMinimumPurchase;
      score += why.final.converted;
      if (score > best_score) best = row, best_score = score;
    }
    if (best >= 0) {
      ExplainAndWait(proposal, best);
      ok &= Grab(proposal, out + "/proposal-why.png");
      // "E se?": the field's figure times `factor`, typed in as the buyer
      // would.
      const auto change = [&](const char* name, const char* factor) {
        auto* field = Control<QLineEdit>(proposal, name);
        QString text = field->text();
        text.remove(QChar(0x00A0)).replace(QChar(','), QChar('.'));
        vor::Currency value;
        if (!vor::Currency::TryParse(text.toStdString(), &value)) return;
        value = vor::Currency::FromDouble(
            value.ToDouble() * vor::Currency::Parse(factor).ToDouble());
        field->selectAll();
        field->insert(QString::fromStdString(vor::FigureText::Quantity(value)));
      };
      Control<QPushButton>(proposal, "what_if_button")->setChecked(true);
      change("what_if_stock_minimum", "1.5");
      change("what_if_minimum_order", "1.5");
      change("what_if_packing_factor", "2");
      Settle();
      ok &= Grab(proposal, out + "/proposal-what-if.png");
      Control<QPushButton>(proposal, "what_if_reset")->click();
      Control<QPushButton>(proposal, "what_if_button")->setChecked(false);
    } else {
      ok = false;
    }

    // The rows changed since the previous run (where the history holds
    // one), the first of them explained with its chart.
    if (Control<QCheckBox>(proposal, "only_changed_box")->isEnabled()) {
      Control<QCheckBox>(proposal, "only_changed_box")->setChecked(true);
      Settle();
      if (ModelOf(proposal)->rowCount() > 0) ExplainAndWait(proposal, 0);
      ok &= Grab(proposal, out + "/proposal-changes.png");
      Control<QCheckBox>(proposal, "only_changed_box")->setChecked(false);
    }

    // The rows with late supplier orders, sorted by the late quantity, and
    // the panel on the first whose order would grow without them.
    if (Control<QCheckBox>(proposal, "only_late_box")->isEnabled()) {
      Control<QCheckBox>(proposal, "only_to_order_box")->setChecked(false);
      Control<QCheckBox>(proposal, "only_late_box")->setChecked(true);
      Control<QTableView>(proposal, "table")
          ->sortByColumn(vor::ProposalModel::kLateColumn, Qt::DescendingOrder);
      Settle();
      const vor::ProposalView& view = ModelOf(proposal)->view();
      int grows = 0;
      for (int row = 0; row < ModelOf(proposal)->rowCount(); ++row) {
        const vor::LateArticle* late = view.late_of(view.shown()[row]);
        if (late != nullptr &&
            late->to_order > ModelOf(proposal)
                                 ->RowAt(row)
                                 .Number(vor::ResultField::kQtdUB)
                                 .value_or(vor::Currency())) {
          grows = row;
          break;
        }
      }
      if (ModelOf(proposal)->rowCount() > 0) ExplainAndWait(proposal, grows);
      ok &= Grab(proposal, out + "/proposal-late.png");
      Control<QCheckBox>(proposal, "only_late_box")->setChecked(false);
      Control<QCheckBox>(proposal, "only_to_order_box")->setChecked(true);
      Control<QTableView>(proposal, "table")
          ->horizontalHeader()
          ->setSortIndicator(-1, Qt::AscendingOrder);
    } else {
      std::cerr << "vor-screenshots: no late supplier orders read\n";
      ok = false;
    }

    // The baskets: a short one of a few lines with suggestions, where the
    // buyer raised the line of least cover by one unit.
    vor::BasketWindow* baskets = proposal->OpenBaskets();
    // The most telling: short of the minimum, more than one suggestion, a
    // few lines, all priced.
    int chosen = -1, telling = 0;
    for (int i = 0; i < baskets->SupplierCount(); ++i) {
      baskets->ShowSupplier(i);
      const vor::SupplierBasket& b = baskets->basket();
      if (b.suggestions.empty()) continue;
      const int score = 1 + 4 * (b.short_of_minimum > vor::Currency()) +
                        2 * (b.suggestions.size() >= 2) +
                        2 * (b.lines.size() >= 3 && b.lines.size() <= 8) +
                        (b.unpriced == 0);
      if (score > telling) {
        telling = score;
        chosen = i;
      }
    }
    if (chosen >= 0) baskets->ShowSupplier(chosen);
    if (chosen >= 0) {
      const vor::SupplierBasket& b = baskets->basket();
      const vor::BasketSuggestion& raise = b.suggestions.front();
      for (int line = 0; line < static_cast<int>(b.lines.size()); ++line) {
        if (!raise.added && b.lines[line].row == raise.row) {
          baskets->ChangeQuantity(
              line, QString::fromStdString(vor::FigureText::Quantity(
                        raise.from + vor::Currency::FromInt(1))));
        }
      }
      Settle();
      ok &= Grab(baskets, out + "/proposal-baskets.png");
    } else {
      std::cerr << "vor-screenshots: no short basket with suggestions\n";
      ok = false;
    }
    baskets->close();

    // The export's file dialog, in Portuguese like the program.
    QFileDialog dialog(proposal, QStringLiteral("Exportar a proposta"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDirectory(QString::fromLocal8Bit(qgetenv("VOR_BASE_DIR")));
    dialog.setNameFilter(vor::frmProposta::ExportFilters());
    dialog.selectFile(QStringLiteral("proposta-encomendas.xlsx"));
    dialog.show();
    Settle();
    ok &= Grab(&dialog, out + "/proposal-export.png");
    dialog.close();
    proposal->close();
  }
  Settle();
  ok &= running_taken && Grab(&main_window, out + "/main-window.png");

  // Recipients only now, so that the run above sent nothing; the
  // mail-server dialog shows its test button as the program does.
  vor::SettingsFile settings_file;
  settings_file.FileName(main_window.state().SettingsFilePath);
  settings_file.WriteValue("email", "Destino",
                           "compras@empresa.pt; armazem@empresa.pt");
  vor::MailServerSetup::SetTestSender(&vor::MorningReport::SendTest);

  auto* settings = new vor::frmParametros();
  settings->set_SettingsFilePath(main_window.state().SettingsFilePath);
  settings->set_ConnectionTest(&vor::TestarLigacao);
  settings->Mostra();
  Settle();
  ok &= Grab(settings, out + "/settings-email.png");
  settings->tab_strip()->tabBar()->setCurrentIndex(1);
  Settle();
  ok &= Grab(settings, out + "/settings-log.png");
  settings->tab_strip()->tabBar()->setCurrentIndex(2);
  settings->TestarLigacao();
  Settle();
  ok &= Grab(settings, out + "/settings-database.png");

  QTimer::singleShot(600, [&] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (dialog == nullptr) {
      std::cerr << "vor-screenshots: the mail-server dialog did not open\n";
      ok = false;
      return;
    }
    ok &= Grab(dialog, out + "/mail-server-setup.png");
    if (auto* d = qobject_cast<QDialog*>(dialog)) d->reject();
  });
  vor::MailServerSetup setup(settings);
  setup.set_SettingsFilePath(main_window.state().SettingsFilePath);
  setup.Run();

  settings->close();
  return ok && services.ok ? 0 : 1;
}
