#include "app/Start.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Parlanza"));
    Start start;
    if (!start.Form_Load()) {
        return 0;
    }
    return QApplication::exec();
}
