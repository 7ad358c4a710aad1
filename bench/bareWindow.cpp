// The yardstick of the start-up figures (bench/startup.sh): the least a Qt 6 Widgets program
// does to show a window the size of the main window, titled "bareWindow".
//
//   bench_bare_window [--text]
//
// With --text the window also shows a line of Chinese text, so that its start includes
// finding and loading a CJK font: one of the parts of the program's start that startup.sh
// measures on its own.
#include <QApplication>
#include <QLabel>
#include <QWidget>

#include <cstring>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("bareWindow"));
    window.resize(536, 191);
    if (argc > 1 && std::strcmp(argv[1], "--text") == 0) {
        auto* label =
            new QLabel(QStringLiteral("辰 巳 午 未 申 酉 戌 亥 子 丑 寅 卯 时辰提醒"), &window);
        label->move(10, 10);
    }
    window.show();
    return app.exec();
}
