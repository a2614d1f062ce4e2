// The viewer. Until the main window exists, a placeholder window.
#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QLabel label("Orvia");
  label.resize(1020, 730);
  label.show();
  return app.exec();
}
