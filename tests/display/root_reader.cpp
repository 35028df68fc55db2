// Another program reading the screen as screen recorders and screen sharing do: the root
// window's pixels of a rectangle, written as a PNG file.

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 6) return 2;
  QGuiApplication application(argc, argv);
  const int x = std::atoi(argv[1]), y = std::atoi(argv[2]), width = std::atoi(argv[3]),
            height = std::atoi(argv[4]);
  return QGuiApplication::primaryScreen()->grabWindow(0, x, y, width, height).save(argv[5], "PNG") ? 0 : 1;
}
