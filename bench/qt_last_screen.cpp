// Qt's side of grid_bench's last-screen comparison: a QTableView 40 rows high over a
// QSqlQueryModel (the QIBASE driver, the same client library on the embedded engine) of
// the whole persons table, scrolled to its last row and painted there. The model has to
// fetch every row to get there. Prints the seconds from connecting to the painted last
// screen, the rows fetched and the process's peak resident size in KiB.
//
//     qt_last_screen DATABASE

#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQueryModel>
#include <QTableView>
#include <chrono>
#include <cstdio>

#include "bench/PeakMemory.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: qt_last_screen DATABASE\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const auto start = std::chrono::steady_clock::now();
  QSqlDatabase database = QSqlDatabase::addDatabase("QIBASE");
  database.setDatabaseName(QString::fromLocal8Bit(argv[1]));
  database.setUserName("SYSDBA");
  database.setConnectOptions("ISC_DPB_LC_CTYPE=WIN1251");
  if (!database.open()) {
    std::fprintf(stderr, "%s\n", qPrintable(database.lastError().text()));
    return 1;
  }
  {
    QSqlQueryModel model;
    model.setQuery("select id, name, town from person order by id", database);
    QTableView view;
    view.setModel(&model);
    const int rowHeight = view.verticalHeader()->defaultSectionSize();
    view.resize(600, view.horizontalHeader()->sizeHint().height() + 40 * rowHeight + rowHeight / 2);
    view.show();
    while (model.canFetchMore()) model.fetchMore();
    view.scrollToBottom();
    QImage screen(view.size(), QImage::Format_RGB32);
    view.render(&screen);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.6f %d %ld\n", seconds, model.rowCount(), ordvane::bench::PeakResidentKiB());
  }
  database.close();
  return 0;
}
