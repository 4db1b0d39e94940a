// The floor for the start-up figures: the least a Qt program does to show
// a window of the player's size; with an argument, one line of text in it,
// which is what brings in the fonts.
#include <QApplication>
#include <QLabel>
#include <QWidget>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare window"));
    window.resize(465, 500);
    if (argc > 1)
        new QLabel(QStringLiteral("Play on click"), &window);
    window.show();
    return app.exec();
}
