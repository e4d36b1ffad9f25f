#include "app/Start.h"
#include "app/StartUpWarmUp.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[])
{
    StartUpWarmUp warmUp;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Parlanza"));
    QApplication::setApplicationVersion(QStringLiteral(PARLANZA_VERSION));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/parlanza.png")));
    Start start;
    if (!start.Form_Load()) {
        return 0;
    }
    return QApplication::exec();
}
