#include "talvane.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    auto* window = new Talvane;
    window->show();
    const int rc = app.exec();
    delete window;
    return rc;
}
